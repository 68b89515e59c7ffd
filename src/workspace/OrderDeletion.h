#pragma once

#include "workspace/OrdersSource.h"

#include <QString>
#include <QVariant>

namespace pelmora
{

class DataModule;

// Deleting an order deletes its items first (the engine keeps no relation between the two
// tables). Items and order go in one transaction: when the items cannot be deleted the order
// stays too and the error is logged, so no item is ever left without its order.
class OrderDeletion
{
  public:
    explicit OrderDeletion(DataModule& data) : data_(data) {}

    // Deletes the order row with this key from the data set's table together with the items of
    // its ShopperID. False when nothing was deleted (the error is in the log). An order without
    // an order number has no items to delete.
    bool deleteOrder(OrdersSource source, const QVariant& key);

    // The cascade statement for an order number: the data set's statement followed by the
    // number in decimal. Throws Error when the number is empty or not a whole number.
    static QString cascadeStatement(OrdersSource source, const QVariant& shopperId);

    // The cascade alone, for callers that delete the order rows themselves inside their own
    // transaction (archiving). Throws Error.
    void deleteItems(OrdersSource source, const QVariant& shopperId);

  private:
    DataModule& data_;
};

} // namespace pelmora
