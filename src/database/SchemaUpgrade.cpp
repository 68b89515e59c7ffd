#include "database/SchemaUpgrade.h"

#include "common/Error.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QSqlError>
#include <QSqlQuery>

namespace pelmora
{

const QStringList& SchemaUpgrade::fullUpgradeStatements()
{
    static const QStringList statements{
        QStringLiteral("CREATE TABLE Proxy(User char(20),Pass char(20),Server char(20),Port integer)"),
        QStringLiteral("Alter Table  Orders Level 4 add Gift_voucher_value float "),
        QStringLiteral("Alter Table  Orders add Gift_voucher_code char(20) "),
        QStringLiteral("Alter Table  Orders   add new boolean Default True"),
        QStringLiteral("Alter Table  Orders add id autoinc "),
        QStringLiteral("Alter Table  OrdersArchve Level 5"),
        QStringLiteral("Alter Table  Items Level 5"),
        QStringLiteral("Alter Table  ItemsArchive Level 5"),
        QStringLiteral("Alter Table  Users Level 5"),
        QStringLiteral("Alter Table  Global Level 5"),
        QStringLiteral("Alter Table  Triggers Level 5"),
        QStringLiteral("Alter Table  Method Level 5"),
        QStringLiteral("Alter Table  Status Level 5"),
        QStringLiteral("Alter Table  Templates Level 5"),
        QStringLiteral("Alter Table  RepFolders Level 5"),
        QStringLiteral("Alter Table  RepReports Level 5"),
        QStringLiteral("Alter Table  Orders RENAME Date TO Invoice_date "),
        QStringLiteral("Alter Table  Orders RENAME Time TO Invoice_time "),
        QStringLiteral("Alter Table  OrdersArchve RENAME Date TO Invoice_date "),
        QStringLiteral("Alter Table  OrdersArchve RENAME Time TO Invoice_time "),
        QStringLiteral("Insert into  Orders  (Status) values ('Unpaid')"),
    };
    return statements;
}

void SchemaUpgrade::run()
{
    data_.openObject(QStringLiteral("TdbTableGlobal"));
    const QString version =
        data_.scalar(QStringLiteral("SELECT Version FROM Global ORDER BY rowid LIMIT 1")).toString();
    if (version == QLatin1String("4.8") || version == QLatin1String("4.9"))
        return;
    // A step is whole or nothing: a failure part-way leaves the file as it was, so that the step
    // is tried again from its first statement at the next ResetDB and can then succeed.
    toolkit::SqlTransaction transaction(data_.database());
    if (version == QLatin1String("4.7"))
        step47();
    else
        fullUpgrade();
    transaction.commit();
}

void SchemaUpgrade::editFirstRow(const QString& table, const QString& column, const QVariant& value)
{
    const QString t = toolkit::sql::quoted(table);
    const QString c = toolkit::sql::quoted(column);
    const bool empty = !data_.scalar(QStringLiteral("SELECT EXISTS(SELECT 1 FROM %1)").arg(t)).toBool();
    if (empty)
        data_.execute(QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(t, c, SqlDialect::quote(value)));
    else
        data_.execute(QStringLiteral("UPDATE %1 SET %2=%3 WHERE rowid=(SELECT min(rowid) FROM %1)")
                          .arg(t, c, SqlDialect::quote(value)));
}

void SchemaUpgrade::step47()
{
    data_.openObject(QStringLiteral("TdbTableGlobal"));
    data_.openObject(QStringLiteral("TdbTableEmail"));
    // An Email table without a row, or with an empty sender, keeps an empty sender address.
    const QVariant from = data_.scalar(QStringLiteral("SELECT \"From\" FROM Email ORDER BY rowid LIMIT 1"));
    data_.closeObject(QStringLiteral("TdbTableEmail"));
    data_.closeObject(QStringLiteral("TdbTableGlobal"));
    data_.execute(QStringLiteral("Drop Table  Email "));
    data_.execute(QStringLiteral("CREATE TABLE Email(\"From\" char(50),Plaintext boolean Default false, ID autoinc)"));
    data_.openObject(QStringLiteral("TdbTableEmail"));
    data_.execute(QStringLiteral("INSERT INTO Email(\"From\") VALUES(%1)").arg(SqlDialect::quote(from.toString())));
    data_.openObject(QStringLiteral("TdbTableProxy"));
    editFirstRow(QStringLiteral("Proxy"), QStringLiteral("Port"), 25);
    data_.execute(QStringLiteral("Alter Table  Items RENAME Date TO Invoice_date "));
    // The archive's items keep the names of the live items.
    QSqlDatabase db = data_.database();
    for (const auto& [name, decl] : SqlDialect::tableColumns(db, QStringLiteral("ItemsArchive")))
        if (name.compare(QLatin1String("Date"), Qt::CaseInsensitive) == 0)
            data_.execute(QStringLiteral("Alter Table  ItemsArchive RENAME Date TO Invoice_date "));
    // A file that reached 4.7 elsewhere may have an archive without the columns Orders gained.
    alignArchive();
    Schema::ensureIndexes(db);
    // Last: the version says the step is done only once all of it is.
    data_.openObject(QStringLiteral("TdbTableGlobal"));
    editFirstRow(QStringLiteral("Global"), QStringLiteral("Version"), QStringLiteral("4.8"));
}

void SchemaUpgrade::fullUpgrade()
{
    data_.closeObject(QStringLiteral("TdbTableGlobal"));
    for (const QString& statement : fullUpgradeStatements())
        data_.execute(statement);
    alignArchive();
    data_.openObject(QStringLiteral("TdbTableProxy"));
    editFirstRow(QStringLiteral("Proxy"), QStringLiteral("Port"), 25);
    QSqlDatabase db = data_.database();
    Schema::ensureIndexes(db);
    data_.openObject(QStringLiteral("TdbTableGlobal"));
    editFirstRow(QStringLiteral("Global"), QStringLiteral("Version"), QStringLiteral("4.7"));
}

void SchemaUpgrade::alignArchive()
{
    QSqlDatabase db = data_.database();
    const auto orders = SqlDialect::tableColumns(db, QStringLiteral("Orders"));
    const auto archive = SqlDialect::tableColumns(db, QStringLiteral("OrdersArchve"));
    bool same = orders.size() == archive.size();
    for (size_t i = 0; same && i < orders.size(); ++i)
        same = orders[i].first.compare(archive[i].first, Qt::CaseInsensitive) == 0;
    if (same)
        return;
    // Archived rows are appended column for column from Orders: same columns, same order.
    std::vector<std::pair<QString, QString>> columns;
    for (const auto& [name, decl] : orders) {
        QString d = decl;
        if (d.contains(QLatin1String("PRIMARY KEY"), Qt::CaseInsensitive))
            d = QStringLiteral("integer");
        columns.emplace_back(name, d);
    }
    for (const auto& [name, decl] : archive) {
        bool known = false;
        for (const auto& c : columns)
            known = known || c.first.compare(name, Qt::CaseInsensitive) == 0;
        if (!known)
            columns.emplace_back(name, decl);
    }
    SqlDialect::rebuildTable(db, QStringLiteral("OrdersArchve"), columns);
}

} // namespace pelmora
