#include "workspace/OrdersSource.h"

namespace pelmora
{

const OrdersDataSet& OrdersDataSet::of(OrdersSource source)
{
    static const OrdersDataSet live{OrdersSource::Live,
                                    QStringLiteral("TdbQueryOrders"),
                                    QStringLiteral("Orders"),
                                    QStringLiteral("id"),
                                    QStringLiteral("TdbTableItems"),
                                    QStringLiteral("Items"),
                                    QStringLiteral("DELETE FROM Items WHERE  ShopperID = ")};
    // Archived rows keep the id they had, so the archive's identity is its rowid.
    static const OrdersDataSet archive{OrdersSource::Archive,
                                       QStringLiteral("TdbTableOrdersArchive"),
                                       QStringLiteral("OrdersArchve"),
                                       QStringLiteral("rowid"),
                                       QStringLiteral("TdbTableItemsArchive"),
                                       QStringLiteral("ItemsArchive"),
                                       QStringLiteral("DELETE FROM ItemsArchive WHERE  ShopperID = ")};
    return source == OrdersSource::Live ? live : archive;
}

} // namespace pelmora
