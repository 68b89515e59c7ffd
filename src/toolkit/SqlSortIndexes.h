#pragma once

#include <QString>
#include <QStringList>

namespace pelmora::toolkit {

// The indexes that let the SQL models answer in milliseconds on big tables:
// one on (column, key) for each column a view may sort by, and one on the key
// itself (SQLite then counts OFFSET rows along that small index instead of
// along the whole table). Named "<table>_by_<column>"; existing ones are kept.
// ANALYZE afterwards lets SQLite choose between a filter's index and the sort
// index well.
struct SqlSortIndexes {
  static bool ensure(const QString &connectionName, const QString &table, const QStringList &columns,
                     const QString &keyColumn, QString *error = nullptr);
  static bool analyze(const QString &connectionName, QString *error = nullptr);
  static QString indexName(const QString &table, const QString &column);
};

} // namespace pelmora::toolkit
