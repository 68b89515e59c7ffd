#pragma once

#include <QString>
#include <QStringList>

namespace pelmora::toolkit
{

// The indexes that let the SQL models answer in milliseconds on big tables:
// one on (column, key) for each column a view may sort by, and one on the key
// itself (SQLite then counts OFFSET rows along that small index instead of
// along the whole table). Named "<table>_by_<column>"; existing ones are kept.
// ANALYZE afterwards lets SQLite choose between a filter's index and the sort
// index well.
//
// A composite index (filter or group column, sort column, key) serves a
// frequent filter or grouping together with the sort: jumps into the middle of
// a filtered list, and the sub-groups and rows of a group, stay quick.
struct SqlSortIndexes {
    static bool ensure(const QString& connectionName, const QString& table, const QStringList& columns,
                       const QString& keyColumn, QString* error = nullptr);
    // One index on (columns..., key), named "<table>_by_<column1>_<column2>...".
    static bool ensureComposite(const QString& connectionName, const QString& table, const QStringList& columns,
                                const QString& keyColumn, QString* error = nullptr);
    static bool analyze(const QString& connectionName, QString* error = nullptr);
    static QString indexName(const QString& table, const QStringList& columns);
};

} // namespace pelmora::toolkit
