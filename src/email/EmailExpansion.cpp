#include "email/EmailExpansion.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Root.h"
#include "database/DataModule.h"
#include "email/FieldText.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pelmora
{

namespace
{

enum class Form { Text, Money, Date, Time };

struct PageField {
    QString field;
    Form form;
};

const QString kItems = QStringLiteral("Items");
const QString kConfig = QStringLiteral("Config");
const QString kAdditionalMessage = QStringLiteral("AdditionalMessage");
const QString kShopperID = QStringLiteral("ShopperID");

// The page tags that read a field of the order; the tag is the field's name but for the date
// and time.
const QHash<QString, PageField>& pageFields()
{
    static const QHash<QString, PageField> fields = [] {
        QHash<QString, PageField> f;
        for (const char* name :
             {"Invoice_name",   "Invoice_company", "Invoice_fax",         "Invoice_address1", "Invoice_address2",
              "Invoice_state",  "Invoice_zip",     "Invoice_tel",         "Invoice_country",  "Username",
              "ShopperID",      "Payment_method",  "Gift_voucher_code",   "Ship_name",        "Ship_company",
              "Ship_state",     "Ship_country",    "Ship_address1",       "Ship_address2",    "Ship_zip",
              "Ship_tel",       "IP_address",      "Voucher_code",        "Shipping_zone",    "Message",
              "ExtraData",      "Notes",           "Payment_card_holder", "Payment_field1",   "Payment_field2",
              "Payment_field3", "Payment_field4",  "Payment_field5",      "Payment_field6",   "Payment_notes",
              "Payment_ref",    "Payment_currency"})
            f.insert(QString::fromLatin1(name), {QString::fromLatin1(name), Form::Text});
        for (const char* name : {"Total", "Shipping", "Tax", "Discount", "Voucher", "Gift_voucher_value"})
            f.insert(QString::fromLatin1(name), {QString::fromLatin1(name), Form::Money});
        f.insert(QStringLiteral("Date"), {QStringLiteral("Invoice_date"), Form::Date});
        f.insert(QStringLiteral("Time"), {QStringLiteral("Invoice_time"), Form::Time});
        return f;
    }();
    return fields;
}

// The item-row tags and the Items fields they read.
const QHash<QString, PageField>& itemFields()
{
    static const QHash<QString, PageField> fields{
        {QStringLiteral("Qty"), {QStringLiteral("Qty"), Form::Text}},
        {QStringLiteral("Product"), {QStringLiteral("Product"), Form::Text}},
        {QStringLiteral("Product_code"), {QStringLiteral("ProductCode"), Form::Text}},
        {QStringLiteral("Price"), {QStringLiteral("Price"), Form::Money}},
        {QStringLiteral("Amount"), {QStringLiteral("Amount"), Form::Money}},
    };
    return fields;
}

QString written(const PageField& field, const QVariantMap& row)
{
    const auto it = row.constFind(field.field);
    if (it == row.constEnd())
        throw Error(QStringLiteral("Field '%1' not found").arg(field.field));
    switch (field.form) {
    case Form::Money:
        return FieldText::money(*it);
    case Form::Date:
        return FieldText::date(*it);
    case Form::Time:
        return FieldText::time(*it);
    case Form::Text:
        break;
    }
    return FieldText::text(*it);
}

// The order's number as the grid shows it for editing: plain digits.
QString editText(const QVariant& value)
{
    if (value.isNull())
        return {};
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    // Anything but a whole number goes in as a quoted value, never as statement text.
    return ok ? QString::number(number)
              : QStringLiteral("'") + value.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace

QString EmailExpansion::pageTemplatePath(const QString& templateAddress) const
{
    return root_.file(QStringLiteral("email/") + templateAddress);
}

QString EmailExpansion::itemsTemplatePath() const
{
    return root_.file(QStringLiteral("email/items_template.htm"));
}

TemplateText EmailExpansion::expand(const QString& pageTemplate, const QVariantMap& order, MessageFields& fields)
{
    TemplateText page = TemplateText::read(pageTemplate);
    page.text =
        ScanTemplate(page.text, [&](const TemplateTag& tag) { return PageProducerPageHTMLTag(tag, order, fields); });
    return page;
}

QString EmailExpansion::PageProducerPageHTMLTag(const TemplateTag& tag, const QVariantMap& order, MessageFields& fields)
{
    if (tag.kind != TagKind::tgCustom)
        return {};
    if (tag.TagString == kItems)
        return items(order);
    if (tag.TagString == kConfig) {
        fields.subject = TagParamValue(tag.TagParams, u"subject");
        fields.cc = TagParamValue(tag.TagParams, u"cc");
        return {};
    }
    if (tag.TagString == kAdditionalMessage)
        return fields.additionalMessage;
    const auto it = pageFields().constFind(tag.TagString);
    if (it == pageFields().constEnd())
        return {};
    try {
        return written(*it, order);
    } catch (const std::exception&) {
        // A field that is missing, empty or unreadable leaves its tag empty.
        return {};
    }
}

QString EmailExpansion::PageProducerItemsHTMLTag(const TemplateTag& tag, const QVariantMap& item)
{
    if (tag.kind != TagKind::tgCustom)
        return {};
    const auto it = itemFields().constFind(tag.TagString);
    return it == itemFields().constEnd() ? QString() : written(*it, item);
}

QString EmailExpansion::items(const QVariantMap& order)
{
    const QString statement =
        QStringLiteral("Select * from items where ShopperID =") + editText(order.value(kShopperID));
    QSqlQuery query;
    try {
        query = data_.select(statement);
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()));
        return {};
    }
    const QSqlRecord record = query.record();
    QList<std::pair<QString, int>> columns;
    for (const PageField& f : itemFields())
        columns.append({f.field, record.indexOf(f.field)});

    QString rows;
    QString rowTemplate;
    bool templateRead = false;
    try {
        while (query.next()) {
            if (!templateRead) {
                rowTemplate = TemplateText::read(itemsTemplatePath()).text;
                templateRead = true;
            }
            QVariantMap item;
            for (const auto& [name, index] : columns)
                if (index >= 0)
                    item.insert(name, query.isNull(index) ? QVariant() : query.value(index));
            rows += ScanTemplate(rowTemplate,
                                 [&item](const TemplateTag& tag) { return PageProducerItemsHTMLTag(tag, item); });
        }
    } catch (const TemplateError&) {
        throw;
    } catch (const std::exception&) {
        // One row that cannot be written empties the whole list.
        return {};
    }
    return rows;
}

} // namespace pelmora
