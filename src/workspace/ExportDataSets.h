#pragma once

#include "export/ExportColumn.h"
#include "export/RowSource.h"
#include "workspace/OrdersSource.h"

#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;

namespace pelmora
{

// What the two export commands hand to the export engine: a statement over the orders or items
// and the description of its columns. Order export: every field of the orders data set shown,
// as filtered in the grid. Item export: every item of the orders that pass the grid's filter
// with its order's fields (the item query), or, once the view has been switched, the visible
// fields of the items of the focused order.
struct ExportDataSet {
    QString title;     // "Orders" or "Items": the document's title
    QString statement; // SQLite
    ExportColumns columns;
    QString optionsFile; // below the program folder

    std::unique_ptr<RowSource> open(sqlite3* db) const;
};

class ExportDataSets
{
  public:
    static inline const QString kOrdersOptions = QStringLiteral("cnfg/export.cfg");
    static inline const QString kItemsOptions = QStringLiteral("cnfg/export2.cfg");
    // The item query without a filter (the trailing blank of the stored text trimmed).
    static inline const QString kItemQuery =
        QStringLiteral("Select * from Items  inner join Orders on Items.ShopperID = Orders.ShopperId");

    // The statement of the item query for a filter expression of the live orders, as it is
    // stored: with the expression after " Where ", the whole trimmed.
    static QString itemQueryText(const QString& filterExpression);

    // The orders of a data set as filtered by a (translated) filter expression, in the grid's
    // order, every field. Throws Error when the engine refuses the filter.
    static ExportDataSet orders(sqlite3* db, OrdersSource source, const QString& filterExpression);
    // The item query: the filter's column names qualified with Orders, so that a condition on
    // a column both tables have (the order date) selects orders rather than failing.
    static ExportDataSet itemQuery(sqlite3* db, const QString& filterExpression);
    // The items of one order of a data set, the fields the items grid shows.
    static ExportDataSet itemsOfOrder(OrdersSource source, const QVariant& shopperId);
    // Every item of the archive, every field.
    static ExportDataSet allItems(sqlite3* db, OrdersSource source);
};

} // namespace pelmora
