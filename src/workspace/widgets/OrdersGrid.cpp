#include "workspace/widgets/OrdersGrid.h"

#include "common/Counted.h"
#include "common/ErrorLog.h"
#include "database/DataModule.h"
#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/FilterBar.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrderStyle.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/OrderGridStyle.h"
#include "workspace/widgets/OrderSearchBar.h"
#include "workspace/widgets/SalesChart.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace pelmora
{

namespace
{
const QString kColumnKey = QStringLiteral("Column.%1.%2");
const QStringList kGeometry{QStringLiteral("Height"), QStringLiteral("Left"), QStringLiteral("Top"),
                            QStringLiteral("Width")};
} // namespace

OrdersGrid::OrdersGrid(OrdersWorkspace& workspace, QWidget* parent) : QWidget(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("ordersGridArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("ordersTabs"));
    layout->addWidget(tabs_);

    grid_ = new toolkit::DataGrid(tabs_);
    grid_->setObjectName(QStringLiteral("ordersGrid"));
    grid_->setFont(OrderGridStyle::contentFont());
    grid_->columns().setColumns(OrderGridStyle::gridColumns(workspace_.data().connectionName()));
    grid_->navigator()->setButtons({toolkit::RecordNavigator::First, toolkit::RecordNavigator::Prior,
                                    toolkit::RecordNavigator::Next, toolkit::RecordNavigator::Last,
                                    toolkit::RecordNavigator::Delete, toolkit::RecordNavigator::Post,
                                    toolkit::RecordNavigator::Refresh, toolkit::RecordNavigator::Filter});
    grid_->navigator()->setConfirmDelete(false);
    grid_->setSelectionBackground(OrderGridStyle::kSelectionBackground);
    grid_->columns().setRowResizingAllowed(true);
    grid_->columnMenu().setCustomizationAllowed(true);
    grid_->filtering().setEnabled(true);
    grid_->columns().setAutoWidth(false);
    grid_->setDefaultSort(QStringLiteral("ShopperID"), Qt::DescendingOrder);
    connect(grid_, &toolkit::DataGrid::sortChanged, this, [this](const QString& field, Qt::SortOrder) {
        // The index of a column sorted often is built then: a moment on a big file.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        workspace_.columnUsed(field);
        QApplication::restoreOverrideCursor();
    });
    // Several orders are worked at once: Shift/Ctrl-click and Shift+arrows select rows.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(grid_->tableView()), static_cast<QAbstractItemView*>(grid_->groupView())}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { showContextMenu(view, at); });
    }
    tabs_->addTab(grid_, kOrdersTab);
    searchBar_ = new OrderSearchBar(workspace_, grid_, this);
    layout->insertWidget(0, searchBar_);

    chart_ = new SalesChart(workspace_, tabs_);
    tabs_->addTab(chart_, kChartTab);
    // The chart reads the database only while it is shown.
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int) { chart_->setActive(tabs_->currentWidget() == chart_); });

    grid_->setCellStyleCallback([this](const QModelIndex& index, toolkit::CellStyle& style) {
        refreshStyleColumns(index.model());
        OrderGridStyle::styleOrderCell(index, newColumn_, statusColumn_, style);
    });
    grid_->setEditingStartCallback([this](const QModelIndex& index) { return editingStarts(index); });
    // The grouped rows' and the drop-down lists' failures (the data set reports its own).
    connect(grid_, &toolkit::DataGrid::error, this, &OrdersGrid::fail);
    connect(grid_, &toolkit::DataGrid::editorValueChanged, this,
            [this](const QString& field, const QModelIndex&, const QVariant&) {
                if (field.compare(QLatin1String("Status"), Qt::CaseInsensitive) == 0)
                    workspace_.statusEditorChanged();
            });
    grid_->navigator()->setActionHandler(toolkit::RecordNavigator::Delete, [this] { deleteCurrent(); });
    grid_->navigator()->setActionHandler(toolkit::RecordNavigator::Refresh, [this] { workspace_.ResetDB(); });
    grid_->filtering().setInstaller([this](const QString& text) { installFilter(text); });
    connect(&grid_->cursor(), &toolkit::GridCursor::focusedRowChanged, this, [this](int row) {
        // A group row of the grouped grid is no order: the current order stays.
        if (row >= 0 || grid_->currentView() == grid_->tableView())
            workspace_.setCurrentRow(row);
    });
    connect(&grid_->grouping(), &toolkit::GridGrouping::groupingChanged, this, [this](const QStringList& fields) {
        watchGroupModel();
        // Edits made while grouped went through the grouping model: the flat rows read again.
        if (fields.isEmpty() && flatStale_) {
            flatStale_ = false;
            workspace_.DataSourceOrders()->refresh();
        }
    });

    connect(&workspace_, &OrdersWorkspace::currentRowChanged, this, [this](int row) {
        if (row >= 0 && grid_->cursor().currentRow() != row)
            grid_->cursor().setCurrentRow(row);
    });
    connect(&workspace_, &OrdersWorkspace::sourceChanged, this, [this] { bindModel(); });
    connect(&workspace_, &OrdersWorkspace::rowsRewritten, this, [this] {
        if (grid_->grouping().model())
            grid_->grouping().refresh();
    });

    noMatch_ = new QLabel(QStringLiteral("%1<br><a href=\"clear\">%2</a>").arg(kNoMatch, kClearFilter), grid_);
    noMatch_->setObjectName(QStringLiteral("noMatchNote"));
    noMatch_->setAlignment(Qt::AlignCenter);
    noMatch_->setTextFormat(Qt::RichText);
    noMatch_->setAutoFillBackground(true);
    noMatch_->setContentsMargins(12, 8, 12, 8);
    noMatch_->hide();
    connect(noMatch_, &QLabel::linkActivated, this, [this] { clearFilterAndSearch(); });
    grid_->installEventFilter(this);
    connect(&workspace_, &OrdersWorkspace::reopened, this, &OrdersGrid::showCount);

    ShowDefaultColumns();
    bindModel();
}

OrdersGrid::~OrdersGrid() = default;

void OrdersGrid::bindModel()
{
    grid_->setModel(workspace_.DataSourceOrders());
    // Each data set keeps the sort the merchant chose.
    grid_->sortBy(grid_->sortField(), grid_->sortOrder());
    connect(workspace_.DataSourceOrders(), &QAbstractItemModel::modelReset, this, &OrdersGrid::showCount,
            Qt::UniqueConnection);
    connect(workspace_.DataSourceOrders(), &QAbstractItemModel::rowsInserted, this, &OrdersGrid::showCount,
            Qt::UniqueConnection);
    connect(workspace_.DataSourceOrders(), &QAbstractItemModel::rowsRemoved, this, &OrdersGrid::showCount,
            Qt::UniqueConnection);
    if (workspace_.currentRow() >= 0)
        grid_->cursor().setCurrentRow(workspace_.currentRow());
}

void OrdersGrid::refreshStyleColumns(const QAbstractItemModel* model)
{
    if (model == styledModel_)
        return;
    styledModel_ = model;
    newColumn_ = OrderGridStyle::modelColumn(model, QStringLiteral("New"));
    statusColumn_ = OrderGridStyle::modelColumn(model, QStringLiteral("Status"));
}

bool OrdersGrid::editingStarts(const QModelIndex& index)
{
    if (!index.isValid())
        return true;
    if (index.model() == workspace_.DataSourceOrders()) {
        workspace_.editingStarts(index.row());
        return true;
    }
    // A record row of the grouped grid: the flag is cleared through the grouping model.
    auto* model = const_cast<QAbstractItemModel*>(index.model());
    const int column = OrderGridStyle::modelColumn(model, QStringLiteral("New"));
    const QModelIndex flag = index.siblingAtColumn(column);
    if (column >= 0 && OrderStyle::flag(flag.data(Qt::EditRole)) != false) {
        // Failures are ignored: editing goes on and the flag stays as it was.
        quiet_ = true;
        model->setData(flag, false);
        quiet_ = false;
    }
    return true;
}

void OrdersGrid::watchGroupModel()
{
    toolkit::SqlGroupModel* model = grid_->grouping().model();
    if (!model || model == groupModel_)
        return;
    groupModel_ = model;
    connect(model, &toolkit::SqlGroupModel::aboutToPost, this, [this](const QModelIndex& index, const QVariant&) {
        workspace_.otherModelPosts(groupModel_->keyAt(index));
    });
    connect(model, &toolkit::SqlGroupModel::posted, this, [this](const QModelIndex& index) {
        workspace_.otherModelPosted(groupModel_->keyAt(index));
        flatStale_ = true;
        if (workspace_.source() != OrdersSource::Live)
            return;
        workspace_.ordersPosted(workspace_.DataSourceOrders()->rowOfKey(groupModel_->keyAt(index)));
    });
}

void OrdersGrid::deleteCurrent()
{
    const int row = grid_->cursor().currentRow();
    if (row < 0)
        return;
    grid_->cursor().leaveCurrent();
    workspace_.deleteOrder(row);
}

QList<qint64> OrdersGrid::selectedKeys() const
{
    QList<qint64> keys;
    QSet<qint64> seen;
    auto add = [&](const QVariant& key) {
        if (!key.isValid() || key.isNull())
            return;
        const qint64 k = key.toLongLong();
        if (!seen.contains(k)) {
            seen.insert(k);
            keys << k;
        }
    };
    toolkit::SqlTableModel* model = workspace_.DataSourceOrders();
    if (!model->isOpen())
        return keys;
    if (grid_->currentView() == grid_->tableView()) {
        QItemSelection selection = grid_->tableView()->selectionModel()->selection();
        // Top to bottom, as the grid shows them.
        std::sort(selection.begin(), selection.end(),
                  [](const QItemSelectionRange& a, const QItemSelectionRange& b) { return a.top() < b.top(); });
        for (const QItemSelectionRange& range : selection)
            for (int row = range.top(); row <= range.bottom(); ++row)
                add(model->keyAt(row));
    } else if (groupModel_) {
        for (const QModelIndex& index : grid_->groupView()->selectionModel()->selectedRows())
            add(groupModel_->keyAt(index));
    }
    if (keys.isEmpty() && workspace_.currentRow() >= 0)
        add(model->keyAt(workspace_.currentRow()));
    return keys;
}

void OrdersGrid::showContextMenu(QAbstractItemView* view, const QPoint& at)
{
    if (!contextMenu_)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ordersContextMenu"));
    contextMenu_(&menu);
    if (!menu.isEmpty())
        menu.exec(view->viewport()->mapToGlobal(at));
}

void OrdersGrid::installFilter(const QString& text)
{
    try {
        workspace_.filterChanged(text);
        for (const QString& field : grid_->filtering().filter().filteredFields())
            workspace_.columnUsed(field, true);
    } catch (const std::exception& e) {
        fail(QString::fromStdString(e.what()));
    }
}

void OrdersGrid::fail(const QString& message)
{
    if (quiet_)
        return;
    if (onError_)
        onError_(message);
    else
        LogError(message, QStringLiteral(" application error"));
}

QString OrdersGrid::countText(int shown, int total, bool narrowed)
{
    const QString one = QStringLiteral("order");
    const QString many = QStringLiteral("orders");
    if (!narrowed)
        return Counted(shown, one, many);
    return QLocale().toString(shown) + QStringLiteral(" of ") + Counted(total, one, many);
}

void OrdersGrid::showCount()
{
    toolkit::SqlTableModel* model = workspace_.DataSourceOrders();
    if (!model->isOpen()) {
        // A shop without orders yet: the live orders stay closed, and say so.
        const bool noOrders = workspace_.source() == OrdersSource::Live && workspace_.data().isConnected() &&
                              !workspace_.ordersTableHasRows();
        grid_->navigator()->setCountText(noOrders ? countText(0, 0, false) : QString());
        noMatch_->hide();
        return;
    }
    const bool narrowed = !model->filter().isEmpty();
    const int shown = model->rowCount();
    grid_->navigator()->setCountText(countText(shown, narrowed ? workspace_.totalCount() : shown, narrowed));
    noMatch_->setVisible(narrowed && shown == 0);
    if (noMatch_->isVisible()) {
        placeNoMatchNote();
        noMatch_->raise();
    }
}

void OrdersGrid::placeNoMatchNote()
{
    // Over the rows' area, a little below the column captions.
    const QWidget* area = grid_->currentView();
    noMatch_->adjustSize();
    const QPoint topLeft = area->mapTo(grid_, QPoint(0, 0));
    noMatch_->move(topLeft.x() + (area->width() - noMatch_->width()) / 2, topLeft.y() + 40);
}

bool OrdersGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grid_ && event->type() == QEvent::Resize && noMatch_->isVisible())
        placeNoMatchNote();
    return QWidget::eventFilter(watched, event);
}

void OrdersGrid::clearFilterAndSearch()
{
    searchBar_->setText(QString());
    if (!grid_->filtering().filter().isEmpty())
        grid_->filtering().clear();
}

void OrdersGrid::ShowDefaultColumns()
{
    grid_->grouping().setEnabled(false);
    grid_->grouping().setBoxVisible(false);
    grid_->grouping().ungroupAll();
    grid_->columns().hideAll();
    for (const OrderColumn& column : OrderColumns::grid())
        if (OrderColumns::inDefaultSet(column.field))
            grid_->columns().setVisible(column.field, true);
}

void OrdersGrid::EnableColumnGrouping()
{
    grid_->grouping().setEnabled(true);
    grid_->grouping().setBoxVisible(true);
    grid_->columns().setMovingAllowed(true);
}

void OrdersGrid::saveLayout(QSettings& settings) const
{
    settings.setValue(QStringLiteral("Height"), grid_->height());
    settings.setValue(QStringLiteral("Left"), grid_->x());
    settings.setValue(QStringLiteral("Top"), grid_->y());
    settings.setValue(QStringLiteral("Width"), grid_->width());
    for (const OrderColumn& column : OrderColumns::grid()) {
        settings.setValue(kColumnKey.arg(column.field, QStringLiteral("Visible")),
                          grid_->columns().isVisible(column.field));
        settings.setValue(kColumnKey.arg(column.field, QStringLiteral("Width")), grid_->columns().width(column.field));
    }
}

void OrdersGrid::restoreLayout(const QSettings& settings)
{
    // The grid's place and size follow the window's splitters; the columns are the grid's own.
    QVariantMap properties;
    for (const OrderColumn& column : OrderColumns::grid()) {
        for (const QString& property : {QStringLiteral("Visible"), QStringLiteral("Width")}) {
            const QString key = kColumnKey.arg(column.field, property);
            if (settings.contains(key))
                properties.insert(key, settings.value(key));
        }
    }
    if (!properties.isEmpty())
        grid_->columns().setLayoutProperties(properties);
}

} // namespace pelmora
