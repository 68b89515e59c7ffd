#include "workspace/ExportDataSets.h"

#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "export/SqliteRowSource.h"
#include "toolkit/SqlUtil.h"
#include "workspace/FilterTranslation.h"
#include "workspace/OrdersWorkspace.h"

#include <QSet>

namespace pelmora
{

namespace
{

const QSet<QString>& moneyFields()
{
    static const QSet<QString> fields{QStringLiteral("Discount"), QStringLiteral("Voucher"),
                                      QStringLiteral("Tax"),      QStringLiteral("Shipping"),
                                      QStringLiteral("Total"),    QStringLiteral("Gift_voucher_value"),
                                      QStringLiteral("Price"),    QStringLiteral("Amount")};
    return fields;
}

ExportType typeOf(const QString& name)
{
    if (moneyFields().contains(name))
        return ExportType::Money;
    for (const auto* columns : {&Schema::orderColumns(), &Schema::itemColumns()}) {
        for (const Column& c : *columns) {
            if (c.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            switch (c.type) {
            case ColumnType::Integer:
            case ColumnType::AutoInc:
                return ExportType::Integer;
            case ColumnType::Float:
                return ExportType::Number;
            case ColumnType::Date:
                return ExportType::Date;
            case ColumnType::Time:
                return ExportType::Time;
            case ColumnType::Boolean:
                return ExportType::Boolean;
            case ColumnType::String:
            case ColumnType::Memo:
            case ColumnType::Blob:
                return ExportType::Text;
            }
        }
    }
    return ExportType::Text;
}

// The statement's own columns; a name the join repeats is the order's and says so.
ExportColumns describe(sqlite3* db, const QString& statement, const QString& secondTable = QString())
{
    ExportColumns columns;
    QSet<QString> seen;
    for (const QString& name : SqliteRowSource::resultColumns(db, statement)) {
        const QString key = name.toLower();
        const QString shown = seen.contains(key) && !secondTable.isEmpty() ? secondTable + u'.' + name : name;
        seen.insert(key);
        columns << ExportColumn{shown, shown, typeOf(name)};
    }
    return columns;
}

QString where(const QString& filterExpression, const QString& qualifier = QString())
{
    const QString trimmed = filterExpression.trimmed();
    if (trimmed.isEmpty())
        return {};
    return QStringLiteral(" WHERE ") + FilterTranslation::toSqlWhere(trimmed, Schema::orderColumns(), qualifier);
}

} // namespace

std::unique_ptr<RowSource> ExportDataSet::open(sqlite3* db) const
{
    return std::make_unique<SqliteRowSource>(db, statement, columns);
}

QString ExportDataSets::itemQueryText(const QString& filterExpression)
{
    const QString trimmed = filterExpression.trimmed();
    if (trimmed.isEmpty())
        return kItemQuery;
    return QString(kItemQuery + QStringLiteral(" Where ") + trimmed).trimmed();
}

ExportDataSet ExportDataSets::orders(sqlite3* db, OrdersSource source, const QString& filterExpression)
{
    const OrdersDataSet& set = OrdersDataSet::of(source);
    ExportDataSet data;
    data.title = QStringLiteral("Orders");
    data.statement =
        QStringLiteral("SELECT * FROM %1%2 ORDER BY ShopperID DESC").arg(set.ordersTable, where(filterExpression));
    data.columns = describe(db, data.statement);
    data.optionsFile = kOrdersOptions;
    return data;
}

ExportDataSet ExportDataSets::itemQuery(sqlite3* db, const QString& filterExpression)
{
    ExportDataSet data;
    data.title = QStringLiteral("Items");
    data.statement = kItemQuery + where(filterExpression, QStringLiteral("Orders"));
    data.columns = describe(db, data.statement, QStringLiteral("Orders"));
    data.optionsFile = kItemsOptions;
    return data;
}

ExportDataSet ExportDataSets::itemsOfOrder(OrdersSource source, const QVariant& shopperId)
{
    ExportDataSet data;
    data.title = QStringLiteral("Items");
    QStringList names;
    for (const QString& name : OrdersWorkspace::itemGridColumns()) {
        names << toolkit::sql::quoted(name);
        data.columns << ExportColumn{name, name, typeOf(name)};
    }
    // No focused order: no items, as the items grid shows.
    data.statement = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid")
                         .arg(names.join(u','), OrdersDataSet::of(source).itemsTable,
                              shopperId.isNull() ? QStringLiteral("0")
                                                 : QStringLiteral("ShopperID = ") + SqlDialect::quote(shopperId));
    data.optionsFile = kItemsOptions;
    return data;
}

ExportDataSet ExportDataSets::allItems(sqlite3* db, OrdersSource source)
{
    ExportDataSet data;
    data.title = QStringLiteral("Items");
    data.statement = QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(OrdersDataSet::of(source).itemsTable);
    data.columns = describe(db, data.statement);
    data.optionsFile = kItemsOptions;
    return data;
}

} // namespace pelmora
