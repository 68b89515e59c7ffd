#pragma once

#include "support/DataFixture.h"

#include <QSqlDatabase>
#include <QVariantMap>

namespace pelmora::test
{

// A program folder whose database holds orders and items written by hand, as a merchant's
// download would have left them.
struct OrdersFolder : DataFixture {
    QSqlDatabase db() { return data.database(); }
    void addOrder(const QVariantMap& columns) { insert(QStringLiteral("Orders"), columns); }
    void addItem(int shopperId, const QString& code, const QString& product, double qty, double price)
    {
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount) "
                            "VALUES(?,?,?,?,'pcs',?,?)"),
             {shopperId, qty, code, product, price, qty * price});
    }
};

} // namespace pelmora::test
