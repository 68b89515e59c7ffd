#include "workspace/ReportPipelines.h"

#include "common/Error.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "reports/ReportLayout.h"
#include "reports/SqlRowCursor.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/SqlUtil.h"
#include "workspace/FilterTranslation.h"
#include "workspace/OrdersWorkspace.h"

#include <QRegularExpression>

namespace pelmora
{

using reports::ReportLayout;

ReportPipelines::ReportPipelines(QSqlDatabase db, Selection selection)
    : db_(std::move(db)), selection_(std::move(selection))
{
}

ReportPipelines::Selection ReportPipelines::selectionOf(const OrdersWorkspace& workspace)
{
    Selection s;
    s.source = workspace.source();
    s.filterExpression = workspace.filterExpression(s.source);
    const toolkit::SqlTableModel* model = workspace.DataSourceOrders();
    if (model) {
        s.sortColumn = model->sortColumn();
        s.sortOrder = model->sortOrder();
        const int row = workspace.currentRow();
        if (row >= 0)
            s.currentKey = model->keyAt(row);
    }
    return s;
}

QString ReportPipelines::expressionOfGridFilter(const QString& gridText)
{
    // The grid writes order dates month/day/year; a script may write them as ISO dates.
    static const QRegularExpression isoDate(
        QStringLiteral("(Invoice_date\\s*(?:<=|>=|<>|=|<|>)\\s*)'(\\d{4})-(\\d{1,2})-(\\d{1,2})'"),
        QRegularExpression::CaseInsensitiveOption);
    QString text = gridText.trimmed();
    text.replace(isoDate, QStringLiteral("\\1'\\3/\\4/\\2'"));
    return FilterTranslation::translate(text);
}

QStringList ReportPipelines::pipelineNames() const
{
    return {ReportLayout::kOrdersPipeline, ReportLayout::kCurrentOrderPipeline, ReportLayout::kItemsPipeline};
}

QStringList ReportPipelines::fieldNames(const QString& pipeline) const
{
    if (pipeline == ReportLayout::kItemsPipeline)
        return Schema::names(Schema::itemColumns());
    if (pipeline == ReportLayout::kOrdersPipeline || pipeline == ReportLayout::kCurrentOrderPipeline)
        return Schema::names(Schema::orderColumns());
    return {};
}

std::unique_ptr<reports::RowCursor> ReportPipelines::open(const QString& pipeline)
{
    const OrdersDataSet& set = OrdersDataSet::of(selection_.source);
    const QString key = set.ordersKey;
    if (pipeline == ReportLayout::kCurrentOrderPipeline) {
        // Without a current row the pipeline is empty.
        return std::make_unique<reports::SqlRowCursor>(
            db_, QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(set.ordersTable, key),
            QVariantList{selection_.currentKey.isNull() ? QVariant(-1) : selection_.currentKey});
    }
    if (pipeline != ReportLayout::kOrdersPipeline)
        throw Error(QStringLiteral("There is no data pipeline \"%1\".").arg(pipeline));
    QString statement = QStringLiteral("SELECT * FROM %1").arg(set.ordersTable);
    const QString where = FilterTranslation::toSqlWhere(selection_.filterExpression.trimmed());
    if (!where.trimmed().isEmpty())
        statement += QStringLiteral(" WHERE ") + where;
    const QString order = selection_.sortOrder == Qt::DescendingOrder ? QStringLiteral(" DESC") : QString();
    if (selection_.sortColumn.isEmpty())
        statement += QStringLiteral(" ORDER BY %1%2").arg(key, order);
    else
        statement +=
            QStringLiteral(" ORDER BY %1%3, %2%3").arg(toolkit::sql::quoted(selection_.sortColumn), key, order);
    return std::make_unique<reports::SqlRowCursor>(db_, statement);
}

std::unique_ptr<reports::RowCursor> ReportPipelines::openDetail(const QString& pipeline, const reports::Row& master)
{
    if (pipeline != ReportLayout::kItemsPipeline)
        throw Error(QStringLiteral("There is no data pipeline \"%1\".").arg(pipeline));
    const OrdersDataSet& set = OrdersDataSet::of(selection_.source);
    return std::make_unique<reports::SqlRowCursor>(
        db_, QStringLiteral("SELECT * FROM %1 WHERE ShopperID = ? ORDER BY rowid").arg(set.itemsTable),
        QVariantList{master.value(QStringLiteral("ShopperID"))});
}

} // namespace pelmora
