#include "reports/SqlRowCursor.h"

#include "common/Error.h"

#include <QSqlError>
#include <QSqlRecord>

namespace pelmora::reports
{

SqlRowCursor::SqlRowCursor(const QSqlDatabase& db, const QString& statement, const QVariantList& bindings) : query_(db)
{
    query_.setForwardOnly(true);
    if (!query_.prepare(statement))
        throw Error(query_.lastError().text());
    for (const QVariant& v : bindings)
        query_.addBindValue(v);
    if (!query_.exec())
        throw Error(query_.lastError().text());
    const QSqlRecord record = query_.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    fields_ = QSharedPointer<const RowFields>::create(names);
}

bool SqlRowCursor::next(Row& row)
{
    if (!query_.next()) {
        if (query_.lastError().isValid())
            throw Error(query_.lastError().text());
        return false;
    }
    const int n = int(fields_->names().size());
    row.fields = fields_;
    row.values.resize(n);
    for (int i = 0; i < n; ++i)
        row.values[i] = query_.value(i);
    return true;
}

QStringList SqlRowCursor::columnNames(const QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM (%1) LIMIT 0").arg(statement)))
        throw Error(query.lastError().text());
    const QSqlRecord record = query.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    return names;
}

} // namespace pelmora::reports
