#pragma once

#include <QString>

namespace pelmora
{

// What DataSourceOrders and DataSourceItems name: the live orders query with the items of the
// current order, or the archive table with the archived items.
enum class OrdersSource { Live, Archive };

// The status text of the switch to the archive.
inline const QString kViewingArchive = QStringLiteral("Viewing archive...");

struct OrdersDataSet {
    OrdersSource source;
    QString ordersObject; // TdbQueryOrders / TdbTableOrdersArchive
    QString ordersTable;
    QString ordersKey;   // the row identity
    QString itemsObject; // TdbTableItems / TdbTableItemsArchive
    QString itemsTable;
    QString cascade; // the statement that deletes an order's items, before its number

    static const OrdersDataSet& of(OrdersSource source);
};

} // namespace pelmora
