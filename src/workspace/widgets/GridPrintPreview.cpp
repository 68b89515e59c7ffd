#include "workspace/widgets/GridPrintPreview.h"

#include "common/Error.h"
#include "database/SqlDialect.h"
#include "reports/SqlRowCursor.h"
#include "reports/widgets/ReportPreview.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/SqlUtil.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/DisplayFormat.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QSqlDatabase>

namespace pelmora
{

using reports::TableColumn;

namespace
{
TableColumn columnOf(const toolkit::DataGrid& grid, const QString& field)
{
    TableColumn column;
    column.field = field;
    const toolkit::GridColumn* described = grid.columns().column(field);
    toolkit::GridColumn c;
    if (described)
        c = *described;
    c.field = field;
    column.title = c.title();
    column.width = grid.columns().width(field);
    const bool number = c.editor == toolkit::EditorKind::Currency || c.editor == toolkit::EditorKind::Number;
    column.alignment =
        c.alignment ? (c.alignment & Qt::AlignHorizontal_Mask) : (number ? Qt::AlignRight : Qt::AlignLeft);
    const QString format = c.displayFormat;
    switch (c.editor) {
    case toolkit::EditorKind::Currency:
    case toolkit::EditorKind::Number:
        if (!format.isEmpty())
            column.format = [format](const QVariant& v) {
                bool ok = false;
                const double d = v.toString().toDouble(&ok);
                return ok ? toolkit::DisplayFormat::formatNumber(d, format) : v.toString();
            };
        break;
    case toolkit::EditorKind::Date:
        column.format = [format](const QVariant& v) {
            const QDate d = toolkit::DisplayFormat::toDate(v);
            return d.isValid()
                       ? QLocale().toString(d, format.isEmpty() ? toolkit::DisplayFormat::defaultDateFormat() : format)
                       : v.toString();
        };
        break;
    case toolkit::EditorKind::Time:
        column.format = [format](const QVariant& v) {
            const QTime t = toolkit::DisplayFormat::toTime(v);
            return t.isValid()
                       ? QLocale().toString(t, format.isEmpty() ? toolkit::DisplayFormat::defaultTimeFormat() : format)
                       : v.toString();
        };
        break;
    case toolkit::EditorKind::CheckBox:
        column.format = [](const QVariant& v) {
            const QVariant b = toolkit::DisplayFormat::toBool(v);
            return b.isNull() ? QString() : (b.toBool() ? QStringLiteral("Yes") : QStringLiteral("No"));
        };
        break;
    case toolkit::EditorKind::Password:
        column.format = [](const QVariant& v) { return QString(v.toString().size(), QLatin1Char('*')); };
        break;
    default:
        break;
    }
    return column;
}
} // namespace

QPageLayout GridPrintPreview::defaultPage()
{
    return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0.5, 0.5, 0.5, 0.5),
                       QPageLayout::Inch);
}

std::unique_ptr<reports::TablePrintout> GridPrintPreview::printout(WorkspaceView& view, const QPageLayout& page)
{
    const toolkit::DataGrid& grid = *view.ordersGrid()->grid();
    toolkit::SqlTableModel* model = view.workspace().DataSourceOrders();
    if (!model)
        throw Error(QStringLiteral("There are no orders to print."));

    QList<TableColumn> columns, groups;
    const QStringList grouped = grid.grouping().groupedColumns();
    for (const QString& field : grid.columns().visibleFields())
        if (!grouped.contains(field, Qt::CaseInsensitive))
            columns << columnOf(grid, field);
    for (const QString& field : grouped)
        groups << columnOf(grid, field);

    // The rows as the grid's data set selects and sorts them, groups first.
    QString statement = QStringLiteral("SELECT * FROM %1").arg(model->table());
    if (!model->filter().trimmed().isEmpty())
        statement += QStringLiteral(" WHERE ") + model->filter();
    QStringList order;
    for (const QString& field : grouped)
        order << toolkit::sql::quoted(field);
    const QString direction = model->sortOrder() == Qt::DescendingOrder ? QStringLiteral(" DESC") : QString();
    if (!model->sortColumn().isEmpty())
        order << toolkit::sql::quoted(model->sortColumn()) + direction;
    order << model->keyColumn() + direction;
    statement += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));

    reports::TablePrintout::Settings settings;
    settings.title = view.workspace().source() == OrdersSource::Archive ? kArchiveTitle : kTitle;
    settings.page = page;
    settings.headerMm = 0.2 * 25.4;
    settings.footerMm = 0.2 * 25.4;
    const QString connection = model->connectionName();
    return std::make_unique<reports::TablePrintout>(settings, columns, groups, [connection, statement] {
        return std::make_unique<reports::SqlRowCursor>(QSqlDatabase::database(connection, false), statement);
    });
}

void GridPrintPreview::show(WorkspaceView& view, QWidget* parent)
{
    auto factory = [&view](const QPageLayout& page) -> std::unique_ptr<reports::PageSource> {
        return printout(view, page);
    };
    reports::ReportPreview preview(factory, defaultPage(), 100, parent);
    preview.setObjectName(QStringLiteral("gridPrintPreview"));
    preview.exec();
}

} // namespace pelmora
