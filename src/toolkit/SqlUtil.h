#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

class QSqlQuery;

// Small helpers shared by the SQL models of the toolkit.
namespace pelmora::toolkit::sql
{

// An identifier in grave accents (`name`), inner accents doubled: the one quoter of names.
QString quoted(const QString& identifier);
// NULL of any type as an invalid QVariant, so that callers test one thing.
QVariant normalized(const QVariant& value);
// Prepares `text`, binds `values` in order and executes. On failure sets
// `error` (when given) to the driver's message and returns false.
bool run(QSqlQuery& query, const QString& text, const QVariantList& values, QString* error);
// The value as it is stored: QDate as yyyy-MM-dd, QTime as HH:mm:ss (.zzz when
// the milliseconds are not zero), QDateTime as yyyy-MM-dd HH:mm:ss, bool as 0/1,
// an invalid or null QVariant as NULL; anything else as given.
QVariant toStorage(const QVariant& value);
// The columns of a table in their declared order (empty when it has none or is missing).
QStringList tableColumns(const QString& connectionName, const QString& table);
// Empty when every name is a column of the table (letter case ignored; the
// rowid is always one), otherwise the message naming the first that is not.
QString missingColumn(const QStringList& tableColumns, const QStringList& names);
// UPDATE table SET column = ? WHERE key = ? with the value converted by
// toStorage(). Fails (with `error` set) when no row has the key.
bool updateCell(const QString& connectionName, const QString& table, const QString& keyColumn, const QString& column,
                const QVariant& value, const QVariant& key, QString* error);

} // namespace pelmora::toolkit::sql
