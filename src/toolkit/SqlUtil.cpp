#include "toolkit/SqlUtil.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>

namespace pelmora::toolkit::sql
{

// Grave accents rather than double quotes: SQLite takes a double-quoted name that matches
// no column for a string literal, so a misspelt or missing column would silently read as
// its own name (or index a constant) instead of failing.
QString quoted(const QString& identifier)
{
    QString text = identifier;
    text.replace(QLatin1Char('`'), QStringLiteral("``"));
    return QLatin1Char('`') + text + QLatin1Char('`');
}

QVariant normalized(const QVariant& value)
{
    return value.isNull() ? QVariant() : value;
}

bool run(QSqlQuery& query, const QString& text, const QVariantList& values, QString* error)
{
    bool ok = query.prepare(text);
    if (ok) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok && error) {
        const QSqlError failure = query.lastError();
        *error = failure.text().trimmed();
        if (error->isEmpty())
            *error = QStringLiteral("The statement failed: ") + text;
    }
    return ok;
}

QVariant toStorage(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    }
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.toString(moment.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                    : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}

QStringList tableColumns(const QString& connectionName, const QString& table)
{
    QStringList names;
    const QSqlRecord fields = QSqlDatabase::database(connectionName, false).record(table);
    for (int i = 0; i < fields.count(); ++i)
        names << fields.fieldName(i);
    return names;
}

QString missingColumn(const QStringList& tableColumns, const QStringList& names)
{
    for (const QString& name : names) {
        if (name.isEmpty() || name.compare(QStringLiteral("rowid"), Qt::CaseInsensitive) == 0)
            continue;
        if (!tableColumns.contains(name, Qt::CaseInsensitive))
            return QStringLiteral("no such column: ") + name;
    }
    return {};
}

bool updateCell(const QString& connectionName, const QString& table, const QString& keyColumn, const QString& column,
                const QVariant& value, const QVariant& key, QString* error)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    const QString text = QStringLiteral("UPDATE ") + quoted(table) + QStringLiteral(" SET ") + quoted(column) +
                         QStringLiteral(" = ? WHERE ") + quoted(keyColumn) + QStringLiteral(" = ?");
    if (!run(query, text, {toStorage(value), key}, error))
        return false;
    if (query.numRowsAffected() == 0) {
        if (error)
            *error = QStringLiteral("The row was not found; it may have been deleted");
        return false;
    }
    return true;
}

} // namespace pelmora::toolkit::sql
