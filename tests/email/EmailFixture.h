#pragma once

// A program folder with a fresh database and a few orders and items, for the email tests.

#include "support/DataFixture.h"

#include <QSqlRecord>
#include <QVariantMap>

namespace pelmora::test
{

struct EmailFixture : DataFixture {
    // An order with the fields given (any Orders column by name).
    void addOrder(const QVariantMap& fields) { insert(QStringLiteral("Orders"), fields); }

    void addItem(const QVariant& shopperId, const QVariant& qty, const QString& code, const QString& product,
                 const QVariant& price, const QVariant& amount)
    {
        insert(QStringLiteral("Items"), QStringLiteral("ShopperID,Qty,ProductCode,Product,Price,Amount"),
               {shopperId, qty, code, product, price, amount});
    }

    // The order as the grid's data set hands it over: every column by name.
    QVariantMap order(const QVariant& shopperId)
    {
        QSqlQuery query(data.database());
        query.prepare(QStringLiteral("SELECT * FROM Orders WHERE ShopperID IS ? ORDER BY id LIMIT 1"));
        query.addBindValue(shopperId);
        QVariantMap out;
        if (!query.exec() || !query.next())
            return out;
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            out.insert(record.fieldName(i), query.isNull(i) ? QVariant() : query.value(i));
        return out;
    }

    void writeTemplate(const QString& name, const QByteArray& bytes)
    {
        folder.writeFile(QStringLiteral("email/") + name, bytes);
    }
};

} // namespace pelmora::test
