#include "workspace/widgets/OrderInspector.h"

#include "database/DataModule.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/OrderGridStyle.h"

#include <QSettings>
#include <QVBoxLayout>

namespace pelmora
{

namespace
{

using toolkit::EditorKind;
using toolkit::GridColumn;
using toolkit::InspectorCategory;
using toolkit::InspectorRow;

InspectorRow row(const char* field, const char* caption = "", EditorKind editor = EditorKind::Text,
                 QList<InspectorRow> children = {})
{
    GridColumn c;
    c.field = QString::fromLatin1(field);
    c.caption = QString::fromLatin1(caption);
    c.editor = editor;
    return InspectorRow{c, std::move(children)};
}

InspectorRow hidden(InspectorRow r)
{
    r.column.visible = false;
    return r;
}

InspectorRow money(const char* field, const char* caption = "", bool rightAligned = true)
{
    InspectorRow r = row(field, caption, EditorKind::Currency);
    r.column.displayFormat = OrderColumns::kCurrencyFormat;
    r.column.alignment = rightAligned ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter;
    return r;
}

InspectorRow tall(InspectorRow r, int pixels)
{
    r.column.rowHeight = pixels;
    return r;
}

QList<InspectorCategory> categories(const QString& connection)
{
    InspectorRow method =
        row("Payment_method", "Method", EditorKind::Lookup,
            {row("Payment_card_holder", "Card holder"), row("Payment_field1", "Pay 1"), row("Payment_field2", "Pay 2"),
             row("Payment_field3", "Pay 3"), row("Payment_field4", "Pay 4"), row("Payment_field5", "Pay 5"),
             row("Payment_field6", "Pay 6"), row("Payment_ref", "Ref"), row("Payment_notes", "Notes")});
    method.column.lookup = OrderGridStyle::paymentMethods(connection);
    InspectorRow gift = money("Gift_voucher_value", "Gift voucher ");
    gift.children << row("Gift_voucher_code", "Code");
    InspectorRow currency = row("Payment_currency", "Currency");
    currency.column.maxLength = 3;
    InspectorRow status = row("Status", "", EditorKind::Lookup);
    status.column.lookup = OrderGridStyle::statuses(connection);
    status.column.lookupAcceptsText = true;

    return {
        {QStringLiteral("Orders"),
         {hidden(row("ShopperID", "Shopper ID")), row("Username"),
          row("Invoice_date", "Date", EditorKind::Date, {row("Invoice_time", "Time", EditorKind::Time)})},
         false},
        {QStringLiteral("Invoice"),
         {row("Invoice_name", "Name"), row("Invoice_company", "Company"), row("Invoice_address1", "Address 1"),
          row("Invoice_address2", "Address 2"), row("Invoice_state", "State"), row("Invoice_country", "Country"),
          row("Invoice_zip", "Zip"), row("Invoice_tel", "Tel.", EditorKind::Text, {row("Invoice_fax", "Fax")}),
          row("Invoice_email", "E-mail", EditorKind::Link), row("Invoice_TaxID", "Tax ID")},
         false},
        {QStringLiteral("Shipping"),
         {row("Ship_name", "Name"), row("Ship_company", "Company"), row("Ship_address1", "Address 1"),
          row("Ship_address2", "Address 2"), row("Ship_state", "State"), row("Ship_country", "Country"),
          row("Ship_zip", "Zip"), row("Ship_tel", "Tel")},
         false},
        {QStringLiteral("Amounts"),
         {money("Voucher"), money("Discount"), money("Shipping"), money("Tax", "", false), money("Total")},
         false},
        {QStringLiteral("Payment"), {method, gift, currency}, false},
        {QStringLiteral("Misc."),
         {row("IP_address", "IP Address"), status, row("Voucher_code", "Voucher code"),
          row("Shipping_zone", "Shipping zone"), tall(row("Message", "", EditorKind::Memo), 34),
          tall(row("ExtraData", "Extra Data", EditorKind::Memo), 30), hidden(row("Selected", "", EditorKind::CheckBox)),
          tall(row("Notes", "", EditorKind::Memo), 42)},
         false},
    };
}

const QString kExpandedKey = QStringLiteral("Category.%1.Expanded");

} // namespace

const QStringList& OrderInspector::categoryCaptions()
{
    static const QStringList captions{QStringLiteral("Orders"),  QStringLiteral("Invoice"), QStringLiteral("Shipping"),
                                      QStringLiteral("Amounts"), QStringLiteral("Payment"), QStringLiteral("Misc.")};
    return captions;
}

OrderInspector::OrderInspector(OrdersWorkspace& workspace, QWidget* parent) : QWidget(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("InspectorOrders4"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    inspector_ = new toolkit::CategoryInspector(this);
    inspector_->setObjectName(QStringLiteral("orderInspector"));
    inspector_->setCategories(categories(workspace_.data().connectionName()));
    inspector_->setCaptionWidth(118);
    inspector_->setMinimumValueWidth(100);
    inspector_->setGridLineColor(QColor(159, 174, 174));
    layout->addWidget(inspector_);

    connect(inspector_, &toolkit::CategoryInspector::linkActivated, this,
            [this](const QString& field, const QVariant&) {
                if (field.compare(QLatin1String("Invoice_email"), Qt::CaseInsensitive) == 0)
                    emit emailRequested();
            });
    connect(&workspace_, &OrdersWorkspace::sourceChanged, this, [this] { bindModel(); });
    connect(&workspace_, &OrdersWorkspace::currentRowChanged, this,
            [this](int row) { inspector_->setCurrentRow(row); });
    bindModel();
}

void OrderInspector::bindModel()
{
    inspector_->setModel(workspace_.DataSourceOrders());
    inspector_->setCurrentRow(workspace_.currentRow());
}

void OrderInspector::saveLayout(QSettings& settings) const
{
    settings.setValue(QStringLiteral("Width"), width());
    for (const QString& caption : categoryCaptions())
        settings.setValue(kExpandedKey.arg(caption), inspector_->isCategoryExpanded(caption));
}

void OrderInspector::restoreLayout(const QSettings& settings)
{
    // The width follows the splitter beside the inspector, which the window restores.
    for (const QString& caption : categoryCaptions()) {
        const QString key = kExpandedKey.arg(caption);
        if (settings.contains(key))
            inspector_->setCategoryExpanded(caption, settings.value(key).toBool());
    }
}

} // namespace pelmora
