#include "toolkit/LookupList.h"

#include "toolkit/SqlUtil.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

namespace pelmora::toolkit
{

QStringList LookupList::texts() const
{
    QStringList result;
    result.reserve(values.size());
    for (const QVariant& value : values)
        result << value.toString();
    return result;
}

LookupList LookupList::load(const QString& connectionName, const QString& table, const QString& column, int limit,
                            const QString& where, Order order)
{
    LookupList list;
    limit = std::max(1, limit);
    const QString name = sql::quoted(column);
    const bool asEntered = order == Order::AsEntered;
    QString text = asEntered ? QStringLiteral("SELECT ") : QStringLiteral("SELECT DISTINCT ");
    text += name + QStringLiteral(" FROM ") + sql::quoted(table) + QStringLiteral(" WHERE ") + name +
            QStringLiteral(" IS NOT NULL AND ") + name + QStringLiteral(" <> ''");
    if (!where.trimmed().isEmpty())
        text += QStringLiteral(" AND (") + where + QStringLiteral(")");
    // Each value once (as entered: where it first stands); one more than asked, to tell whether the
    // list was cut.
    if (asEntered)
        text += QStringLiteral(" GROUP BY ") + name + QStringLiteral(" ORDER BY MIN(rowid) LIMIT ?");
    else
        text += QStringLiteral(" ORDER BY ") + name + QStringLiteral(" LIMIT ?");
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    query.setForwardOnly(true);
    if (!sql::run(query, text, {limit + 1}, &list.error))
        return list;
    while (query.next()) {
        if (list.values.size() == limit) {
            list.truncated = true;
            break;
        }
        list.values << query.value(0);
    }
    return list;
}

} // namespace pelmora::toolkit
