#include "database/Schema.h"

#include "database/SqlDialect.h"
#include "toolkit/SqlUtil.h"

namespace pelmora
{

namespace
{
const QString kString = QStringLiteral("char(20)");

Column col(const char* name, ColumnType type, const QString& decl)
{
    return Column{QString::fromLatin1(name), type, decl};
}
Column str(const char* name)
{
    return col(name, ColumnType::String, kString);
}
} // namespace

const std::vector<Column>& Schema::orderColumns()
{
    static const std::vector<Column> columns = [] {
        using T = ColumnType;
        std::vector<Column> c{col("ShopperID", T::Integer, QStringLiteral("integer")),
                              str("Username"),
                              col("Invoice_date", T::Date, QStringLiteral("date")),
                              col("Invoice_time", T::Time, QStringLiteral("time")),
                              str("Invoice_name"),
                              str("Invoice_company"),
                              str("Invoice_address1"),
                              str("Invoice_address2"),
                              str("Invoice_state"),
                              str("Invoice_zip"),
                              str("Invoice_country"),
                              str("Invoice_tel"),
                              str("Invoice_fax"),
                              str("Invoice_email"),
                              str("Invoice_TaxID"),
                              str("Ship_name"),
                              str("Ship_company"),
                              str("Ship_address1"),
                              str("Ship_address2"),
                              str("Ship_state"),
                              str("Ship_zip"),
                              str("Ship_tel"),
                              str("Ship_country"),
                              col("Discount", T::Float, QStringLiteral("float")),
                              col("Voucher", T::Float, QStringLiteral("float")),
                              col("Tax", T::Float, QStringLiteral("float")),
                              col("Shipping", T::Float, QStringLiteral("float")),
                              col("Total", T::Float, QStringLiteral("float")),
                              col("Message", T::Memo, QStringLiteral("memo text")),
                              str("ExtraData"),
                              str("Payment_ref"),
                              str("Payment_notes"),
                              str("Voucher_code"),
                              str("Shipping_zone"),
                              str("IP_address"),
                              str("Payment_currency"),
                              str("Payment_method"),
                              str("Payment_card_holder"),
                              str("Payment_field1"),
                              str("Payment_field2"),
                              str("Payment_field3"),
                              str("Payment_field4"),
                              str("Payment_field5"),
                              str("Payment_field6"),
                              str("Status"),
                              col("Selected", T::Boolean, QStringLiteral("boolean")),
                              col("Gift_voucher_value", T::Float, QStringLiteral("float")),
                              str("Gift_voucher_code"),
                              str("Notes"),
                              col("New", T::Boolean, QStringLiteral("boolean Default True")),
                              col("id", T::AutoInc, QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"))};
        return c;
    }();
    return columns;
}

const std::vector<Column>& Schema::itemColumns()
{
    static const std::vector<Column> columns = [] {
        using T = ColumnType;
        std::vector<Column> c{col("ShopperID", T::Integer, QStringLiteral("integer")),
                              col("Qty", T::Float, QStringLiteral("float")),
                              col("ProductCode", T::String, QStringLiteral("char(50)")),
                              col("Product", T::Memo, QStringLiteral("memo text")),
                              col("Units", T::String, QStringLiteral("char(50)")),
                              col("Price", T::Float, QStringLiteral("float")),
                              col("Amount", T::Float, QStringLiteral("float")),
                              col("Invoice_date", T::Date, QStringLiteral("date"))};
        return c;
    }();
    return columns;
}

QStringList Schema::names(const std::vector<Column>& columns)
{
    QStringList list;
    for (const Column& c : columns)
        list << c.name;
    return list;
}

namespace
{
QString tableDefinition(const QString& table, const std::vector<Column>& columns, bool archive)
{
    QStringList defs;
    for (const Column& c : columns) {
        // Archived rows keep the id they had; the archive's own identity is its rowid.
        const QString decl = (archive && c.type == ColumnType::AutoInc) ? QStringLiteral("integer") : c.declaration;
        defs << toolkit::sql::quoted(c.name) + ' ' + decl;
    }
    return QStringLiteral("CREATE TABLE %1(%2)").arg(table, defs.join(','));
}
} // namespace

void Schema::create(QSqlDatabase& db)
{
    const QStringList statements{
        tableDefinition(QStringLiteral("Orders"), orderColumns(), false),
        tableDefinition(QStringLiteral("OrdersArchve"), orderColumns(), true),
        tableDefinition(QStringLiteral("Items"), itemColumns(), false),
        tableDefinition(QStringLiteral("ItemsArchive"), itemColumns(), false),
        QStringLiteral("CREATE TABLE Users(Username char(50),Website char(100),Pass char(50),Secure char(50))"),
        QStringLiteral("CREATE TABLE Status(Status char(20),RecordId INTEGER PRIMARY KEY AUTOINCREMENT)"),
        QStringLiteral("CREATE TABLE Method(PaymentMethod char(20))"),
        QStringLiteral("CREATE TABLE Templates(TemplateName char(50),TemplateAddress char(255),"
                       "RecordId INTEGER PRIMARY KEY AUTOINCREMENT)"),
        QStringLiteral("CREATE TABLE Triggers(ID INTEGER PRIMARY KEY AUTOINCREMENT,Status char(20),"
                       "Template char(50),Active boolean)"),
        QStringLiteral("CREATE TABLE Global(Version char(10))"),
        // Email and Proxy are created by the statements the upgrade uses for them.
        QStringLiteral("CREATE TABLE Email(\"From\" char(50),Plaintext boolean Default false, ID autoinc)"),
        QStringLiteral("CREATE TABLE Proxy(User char(20),Pass char(20),Server char(20),Port integer)"),
        QStringLiteral("CREATE TABLE RepFolders(RecordId INTEGER PRIMARY KEY AUTOINCREMENT,Name char(100),"
                       "ParentId integer)"),
        QStringLiteral("CREATE TABLE RepReports(RecordId INTEGER PRIMARY KEY AUTOINCREMENT,FolderId integer,"
                       "Name char(100),Size integer,Template blob,ItemType integer,Modified timestamp,"
                       "Deleted timestamp)"),
    };
    for (const QString& s : statements)
        SqlDialect::execute(db, s);
    ensureIndexes(db);
}

QList<QPair<QString, QString>> Schema::shippedTemplates()
{
    return {{QStringLiteral("Order confirmation"), QStringLiteral("order_confirmation.htm")},
            {QStringLiteral("Payment received"), QStringLiteral("payment_received.htm")},
            {QStringLiteral("Order shipped"), QStringLiteral("order_shipped.htm")}};
}

void Schema::insertDefaults(QSqlDatabase& db)
{
    auto exec = [&](const QString& s) { SqlDialect::execute(db, s); };
    const auto q = [](const QString& v) { return SqlDialect::quote(v); };
    exec(QStringLiteral("INSERT INTO Global(Version) VALUES(%1)").arg(q(kCurrentVersion)));
    const QStringList statuses{QStringLiteral("Unpaid"),  QStringLiteral("Paid"),      QStringLiteral("Processing"),
                               QStringLiteral("Shipped"), QStringLiteral("Completed"), QStringLiteral("Cancelled"),
                               QStringLiteral("Refunded")};
    for (const QString& s : statuses)
        exec(QStringLiteral("INSERT INTO Status(Status) VALUES(%1)").arg(q(s)));
    const QStringList methods{QStringLiteral("Credit card"),      QStringLiteral("PayPal"),
                              QStringLiteral("Bank transfer"),    QStringLiteral("Cheque"),
                              QStringLiteral("Cash on delivery"), QStringLiteral("Invoice")};
    for (const QString& m : methods)
        exec(QStringLiteral("INSERT INTO Method(PaymentMethod) VALUES(%1)").arg(q(m)));
    for (const auto& [name, address] : shippedTemplates())
        exec(QStringLiteral("INSERT INTO Templates(TemplateName,TemplateAddress) VALUES(%1,%2)")
                 .arg(q(name), q(address)));
    exec(QStringLiteral("INSERT INTO Email(\"From\",Plaintext) VALUES(%1,0)").arg(q(kPlaceholderSender)));
    exec(QStringLiteral("INSERT INTO Proxy(User,Pass,Server,Port) VALUES('','','',NULL)"));
    exec(QStringLiteral("INSERT INTO Users(Username,Website,Pass,Secure) VALUES(%1,'','','')")
             .arg(q(kPlaceholderAccount)));
}

void Schema::ensureIndexes(QSqlDatabase& db)
{
    const QStringList statements{
        QStringLiteral("CREATE INDEX IF NOT EXISTS Orders_ShopperID ON Orders(ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Orders_Username_ShopperID ON Orders(Username,ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Orders_Invoice_date ON Orders(Invoice_date,id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Orders_Status ON Orders(Status,id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS OrdersArchve_ShopperID ON OrdersArchve(ShopperID)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS OrdersArchve_Username_ShopperID ON OrdersArchve(Username,ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS OrdersArchve_Invoice_date ON OrdersArchve(Invoice_date)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS OrdersArchve_Status ON OrdersArchve(Status)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS Items_ShopperID ON Items(ShopperID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS ItemsArchive_ShopperID ON ItemsArchive(ShopperID)"),
    };
    for (const QString& s : statements) {
        try {
            SqlDialect::execute(db, s);
        } catch (const std::exception&) {
            // A file of an older layout lacks some indexed columns until its upgrade is done.
        }
    }
}

} // namespace pelmora
