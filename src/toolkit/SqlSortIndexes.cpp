#include "toolkit/SqlSortIndexes.h"

#include "toolkit/SqlUtil.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace pelmora::toolkit
{

namespace
{

bool isRowid(const QString& column)
{
    return column.compare(QStringLiteral("rowid"), Qt::CaseInsensitive) == 0 ||
           column.compare(QStringLiteral("oid"), Qt::CaseInsensitive) == 0 ||
           column.compare(QStringLiteral("_rowid_"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString SqlSortIndexes::indexName(const QString& table, const QStringList& columns)
{
    QString name = table + QStringLiteral("_by_") + columns.join(QLatin1Char('_'));
    for (QChar& c : name) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    }
    return name;
}

bool SqlSortIndexes::ensure(const QString& connectionName, const QString& table, const QStringList& columns,
                            const QString& keyColumn, QString* error)
{
    QStringList wanted = columns;
    if (!isRowid(keyColumn) && !wanted.contains(keyColumn, Qt::CaseInsensitive))
        wanted << keyColumn;
    for (const QString& column : wanted) {
        if (!isRowid(column) && !ensureComposite(connectionName, table, {column}, keyColumn, error))
            return false;
    }
    return true;
}

bool SqlSortIndexes::ensureComposite(const QString& connectionName, const QString& table, const QStringList& columns,
                                     const QString& keyColumn, QString* error)
{
    QStringList parts;
    for (const QString& column : columns)
        parts << sql::quoted(column);
    // Every index ends with the rowid already; any other key is named.
    if (!isRowid(keyColumn) && !columns.contains(keyColumn, Qt::CaseInsensitive))
        parts << sql::quoted(keyColumn);
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    const QString text = QStringLiteral("CREATE INDEX IF NOT EXISTS ") + sql::quoted(indexName(table, columns)) +
                         QStringLiteral(" ON ") + sql::quoted(table) + QStringLiteral(" (") +
                         parts.join(QStringLiteral(", ")) + QStringLiteral(")");
    return sql::run(query, text, {}, error);
}

bool SqlSortIndexes::analyze(const QString& connectionName, QString* error)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    return sql::run(query, QStringLiteral("ANALYZE"), {}, error);
}

} // namespace pelmora::toolkit
