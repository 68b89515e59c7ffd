#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

class QSqlQuery;

// Small helpers shared by the SQL models of the toolkit.
namespace pelmora::toolkit::sql {

// An identifier in double quotes, inner quotes doubled.
QString quoted(const QString &identifier);
// NULL of any type as an invalid QVariant, so that callers test one thing.
QVariant normalized(const QVariant &value);
// Prepares `text`, binds `values` in order and executes. On failure sets
// `error` (when given) to the driver's message and returns false.
bool run(QSqlQuery &query, const QString &text, const QVariantList &values, QString *error);

} // namespace pelmora::toolkit::sql
