#include "workspace/OrderItemsModel.h"

#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pelmora
{

OrderItemsModel::OrderItemsModel(QObject* parent) : toolkit::SqlTableModel(parent)
{
}

bool OrderItemsModel::masterValues(QVariantMap& values)
{
    try {
        if (!master_)
            throw std::runtime_error("No order is current");
        values = master_();
        return true;
    } catch (const std::exception& e) {
        emit error(QString::fromStdString(e.what()));
        return false;
    }
}

bool OrderItemsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!copy_ || !index.isValid() || (role != Qt::EditRole && role != Qt::DisplayRole))
        return toolkit::SqlTableModel::setData(index, value, role);
    QVariantMap order;
    const QVariant key = keyAt(index.row());
    if (!key.isValid() || !masterValues(order))
        return false;
    // The stamp belongs to the change.
    ChangeScope change(*this, ChangeKind::Update, {key});
    try {
        // The stamp and the cell's own post are one: a refused post leaves no stamp behind.
        toolkit::SqlTransaction transaction(QSqlDatabase::database(connectionName(), false));
        // The copy goes first; the edited cell's post then reads the whole row back.
        QSqlQuery query(QSqlDatabase::database(connectionName(), false));
        query.prepare(QStringLiteral("UPDATE %1 SET ShopperID = ?, Invoice_date = ? WHERE %2 = ?")
                          .arg(toolkit::sql::quoted(table()), toolkit::sql::quoted(keyColumn())));
        query.addBindValue(toStorage(order.value(QStringLiteral("ShopperID"))));
        query.addBindValue(toStorage(order.value(QStringLiteral("Invoice_date"))));
        query.addBindValue(key);
        if (!query.exec()) {
            emit error(query.lastError().text());
            return false;
        }
        QVariant stored = value;
        const QString column = columnName(index.column());
        if (column.compare(QLatin1String("ShopperID"), Qt::CaseInsensitive) == 0)
            stored = order.value(QStringLiteral("ShopperID"));
        else if (column.compare(QLatin1String("Invoice_date"), Qt::CaseInsensitive) == 0)
            stored = order.value(QStringLiteral("Invoice_date"));
        if (!toolkit::SqlTableModel::setData(index, stored, role))
            return false;
        transaction.commit();
        change.done();
        return true;
    } catch (const std::exception& e) {
        emit error(QString::fromStdString(e.what()));
        return false;
    }
}

bool OrderItemsModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (!copy_)
        return toolkit::SqlTableModel::insertRows(row, count, parent);
    if (parent.isValid() || count < 1 || !isOpen())
        return false;
    QVariantMap order;
    if (!masterValues(order))
        return false;
    QVariantMap values{{QStringLiteral("ShopperID"), order.value(QStringLiteral("ShopperID"))},
                       {QStringLiteral("Invoice_date"), order.value(QStringLiteral("Invoice_date"))}};
    for (int i = 0; i < count; ++i) {
        appendRow(values);
        if (!lastInsertedKey().isValid())
            return false;
    }
    return true;
}

} // namespace pelmora
