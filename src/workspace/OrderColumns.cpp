#include "workspace/OrderColumns.h"

namespace pelmora
{

namespace
{
OrderColumn c(const char* field, const char* caption = "", OrderEditor editor = OrderEditor::Text, int width = 100)
{
    return OrderColumn{QString::fromLatin1(field), QString::fromLatin1(caption), editor, width};
}
} // namespace

const std::vector<OrderColumn>& OrderColumns::grid()
{
    using E = OrderEditor;
    static const std::vector<OrderColumn> columns{
        c("ShopperID", "", E::ReadOnlyText, 90),
        c("Username", "", E::Text, 90),
        c("Invoice_date", "Date", E::Date, 80),
        c("Invoice_time", "Time", E::Time, 70),
        c("Invoice_name", "Invoice name", E::Text, 140),
        c("Invoice_company", "Invoice company", E::Text, 130),
        c("Invoice_address1", "Invoice address 1", E::Text, 135),
        c("Invoice_address2", "Invoice address 2", E::Text, 135),
        c("Invoice_state", "Invoice state"),
        c("Invoice_zip", "Invoice zip"),
        c("Invoice_country", "Invoice country", E::Text, 125),
        c("Invoice_tel", "Invoice tel"),
        c("Invoice_fax", "Invoice fax"),
        c("Invoice_email", "Invoice email", E::Text, 170),
        c("Invoice_TaxID", "Invoice Tax ID", E::Text, 115),
        c("Ship_name", "Shipping name", E::Text, 120),
        c("Ship_company", "Shipping company", E::Text, 145),
        c("Ship_address1", "Shipping address 1", E::Text, 150),
        c("Ship_address2", "Shipping address 2", E::Text, 150),
        c("Ship_state", "Shipping state", E::Text, 120),
        c("Ship_zip", "Shipping zip"),
        c("Ship_tel", "Shipping tel."),
        c("Ship_country", "Shipping country", E::Text, 135),
        c("Discount", "", E::Currency, 75),
        c("Voucher", "", E::Currency, 75),
        c("Tax", "", E::Currency, 75),
        c("Shipping", "", E::Currency, 75),
        c("Total", "", E::Currency, 80),
        c("Message", "", E::Memo, 150),
        c("ExtraData", "Extra data", E::Memo, 120),
        c("Payment_ref", "Payment ref"),
        c("Payment_notes", "Payment notes", E::Text, 120),
        c("Voucher_code", "Voucher code", E::Text, 115),
        c("Shipping_zone", "Shipping zone", E::Text, 115),
        c("IP_address", "IP address"),
        c("Payment_currency", "Payment currency", E::Text, 140),
        c("Payment_method", "Payment method", E::PaymentMethod, 135),
        c("Payment_card_holder", "Payment card holder", E::Text, 160),
        c("Payment_field1", "Payment field 1", E::Text, 125),
        c("Payment_field2", "Payment field 2", E::Text, 125),
        c("Payment_field3", "Payment field 3", E::Text, 125),
        c("Payment_field4", "Payment field 4", E::Text, 125),
        c("Payment_field5", "Payment field 5", E::Text, 125),
        c("Payment_field6", "Payment field 6", E::Text, 125),
        c("Status", "", E::Status, 90),
        c("Selected", "", E::CheckBox, 80),
        c("Notes", "", E::Memo, 150),
        c("New", "", E::CheckBox, 45),
    };
    return columns;
}

const QStringList& OrderColumns::defaultSet()
{
    static const QStringList fields{
        QStringLiteral("ShopperID"),    QStringLiteral("Username"),      QStringLiteral("Invoice_date"),
        QStringLiteral("Invoice_name"), QStringLiteral("Invoice_email"), QStringLiteral("Payment_method"),
        QStringLiteral("Total"),        QStringLiteral("Selected"),      QStringLiteral("Status")};
    return fields;
}

bool OrderColumns::inDefaultSet(const QString& field)
{
    return defaultSet().contains(field, Qt::CaseInsensitive);
}

const OrderColumn* OrderColumns::find(const QString& field)
{
    for (const OrderColumn& column : grid())
        if (column.field.compare(field, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

} // namespace pelmora
