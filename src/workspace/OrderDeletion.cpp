#include "workspace/OrderDeletion.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "database/DataModule.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QSqlError>
#include <QSqlQuery>

namespace pelmora
{

namespace
{

void run(QSqlDatabase db, const QString& sql, const QVariantList& bindings = {})
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        throw Error(query.lastError().text());
    for (const QVariant& v : bindings)
        query.addBindValue(v);
    if (!query.exec())
        throw Error(query.lastError().text());
}

bool isBlank(const QVariant& value)
{
    return !value.isValid() || value.isNull() || value.toString().trimmed().isEmpty();
}

} // namespace

QString OrderDeletion::cascadeStatement(OrdersSource source, const QVariant& shopperId)
{
    bool ok = false;
    const qlonglong number = isBlank(shopperId) ? 0 : shopperId.toString().trimmed().toLongLong(&ok);
    if (!ok) {
        // A stored real such as 1234.0 still names a whole order number.
        const double real = shopperId.toDouble(&ok);
        if (!ok || real != double(qlonglong(real)))
            throw Error(QStringLiteral("'%1' is not a valid integer value").arg(shopperId.toString()));
        return OrdersDataSet::of(source).cascade + QString::number(qlonglong(real));
    }
    return OrdersDataSet::of(source).cascade + QString::number(number);
}

void OrderDeletion::deleteItems(OrdersSource source, const QVariant& shopperId)
{
    data_.execute(cascadeStatement(source, shopperId));
}

bool OrderDeletion::deleteOrder(OrdersSource source, const QVariant& key)
{
    const OrdersDataSet& set = OrdersDataSet::of(source);
    QSqlDatabase db = data_.database();
    const QString table = toolkit::sql::quoted(set.ordersTable);
    const QString where = QStringLiteral(" WHERE %1 = ?").arg(set.ordersKey);
    try {
        // Nested in a transaction that a caller may have open as well.
        toolkit::SqlTransaction transaction(db);
        QSqlQuery read(db);
        read.prepare(QStringLiteral("SELECT ShopperID FROM ") + table + where);
        read.addBindValue(key);
        if (!read.exec())
            throw Error(read.lastError().text());
        if (read.next()) {
            const QVariant shopperId = read.value(0);
            read.finish();
            // No item can belong to an order without a number.
            if (!isBlank(shopperId))
                deleteItems(source, shopperId);
            run(db, QStringLiteral("DELETE FROM ") + table + where, {key});
        }
        transaction.commit();
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

} // namespace pelmora
