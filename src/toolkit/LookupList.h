#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace pelmora::toolkit
{

// The distinct values of one column of a table, in order, for drop-down
// editors and a column's filter drop-down. Read with SELECT DISTINCT ... LIMIT,
// never from a model's rows. NULL and empty values are left out (a filter
// drop-down offers blanks on its own).
struct LookupList {
    QVariantList values;
    bool truncated = false; // more values exist than the limit allowed
    QString error;          // the driver's message when the read failed

    bool ok() const { return error.isEmpty(); }
    QStringList texts() const;

    // Sorted by value, or in the order the rows were entered (a list the merchant keeps).
    enum class Order { ByValue, AsEntered };

    // `where` is an optional SQLite condition (without WHERE) that the rows must meet.
    static LookupList load(const QString& connectionName, const QString& table, const QString& column, int limit = 1000,
                           const QString& where = {}, Order order = Order::ByValue);
};

} // namespace pelmora::toolkit
