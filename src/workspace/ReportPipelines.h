#pragma once

#include "reports/DataPipeline.h"
#include "workspace/OrdersSource.h"

#include <QSqlDatabase>
#include <QVariant>

namespace pelmora
{

class OrdersWorkspace;

// The three pipelines reports read, over the orders data set shown: "DBPipelineOrders" (its
// rows as filtered, in the grid's order), "DBPipelineCurOrder" (the current row) and
// "DBPipelineItems" (the items of each order row).
class ReportPipelines : public reports::DataPipelines
{
  public:
    struct Selection {
        OrdersSource source = OrdersSource::Live;
        QString filterExpression; // as the data set holds it (Date'...' literals); "" for all rows
        QVariant currentKey;      // the current row's identity; null: none
        QString sortColumn;       // "" for the row identity
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
    };

    ReportPipelines(QSqlDatabase db, Selection selection);
    // What the workspace shows now.
    static Selection selectionOf(const OrdersWorkspace& workspace);
    // A condition in the grid's filter form (Invoice_date = '2008-01-01') as a data set's
    // filter expression.
    static QString expressionOfGridFilter(const QString& gridText);

    QStringList pipelineNames() const override;
    QStringList fieldNames(const QString& pipeline) const override;
    std::unique_ptr<reports::RowCursor> open(const QString& pipeline) override;
    std::unique_ptr<reports::RowCursor> openDetail(const QString& pipeline, const reports::Row& master) override;

  private:
    QSqlDatabase db_;
    Selection selection_;
};

} // namespace pelmora
