#include "toolkit/widgets/DataGrid.h"

#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlModel.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridColumnLayout.h"
#include "toolkit/widgets/GridColumnMenu.h"
#include "toolkit/widgets/GridCursor.h"
#include "toolkit/widgets/GridFiltering.h"
#include "toolkit/widgets/GridGrouping.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/GridNavigatorBinding.h"
#include "toolkit/widgets/GridViewSet.h"
#include "toolkit/widgets/GroupByBox.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QPointer>
#include <QVBoxLayout>

namespace pelmora::toolkit
{

// Members go in reverse order: the views first (they call into the parts through the
// delegates), then the connections to the model, then the parts.
struct DataGrid::Private {
    QPointer<QAbstractItemModel> model;
    GridViewSet views;
    EditingStartCallback editingStart;
    QString defaultSortField;
    Qt::SortOrder defaultSortOrder = Qt::AscendingOrder;
    QString sortField; // "" while the default sort is in force
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    bool readOnly = false;
    GroupByBox* groupBox = nullptr;
    FilterBar* filterBar = nullptr;
    RecordNavigator* navigator = nullptr;
    std::unique_ptr<GridColumnLayout> columns;
    std::unique_ptr<GridColumnMenu> columnMenu;
    std::unique_ptr<GridGrouping> grouping;
    std::unique_ptr<GridFiltering> filtering;
    std::unique_ptr<GridCursor> cursor;
    std::unique_ptr<GridNavigatorBinding> navigation;
    std::unique_ptr<QObject> modelWatch; // the context of every connection to the model
    std::unique_ptr<QStackedWidget> stack;
};

namespace
{
const auto kEditTriggers =
    QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked;
}

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("dataGrid"));
    buildViews();
    d->groupBox = new GroupByBox(this);
    d->filterBar = new FilterBar(this);
    d->navigator = new RecordNavigator(this);

    d->columns = std::make_unique<GridColumnLayout>(d->views, this);
    d->columnMenu = std::make_unique<GridColumnMenu>(*d->columns, d->views, this);
    d->grouping = std::make_unique<GridGrouping>(*d->columns, d->views, d->groupBox);
    d->filtering = std::make_unique<GridFiltering>(*d->columns, d->views, d->filterBar, this);
    d->cursor = std::make_unique<GridCursor>(d->views, *d->grouping);
    d->navigation = std::make_unique<GridNavigatorBinding>(d->navigator, d->views);
    d->modelWatch = std::make_unique<QObject>();

    d->columnMenu->setExtension([this](QMenu* menu, const QString& field) { d->grouping->extendMenu(menu, field); });
    connect(d->grouping.get(), &GridGrouping::viewChanged, this, [this] {
        d->navigation->follow();
        d->cursor->settle();
        if (SqlGroupModel* groups = d->grouping->model())
            connect(groups, &SqlModel::error, this, &DataGrid::error, Qt::UniqueConnection);
    });
    connect(d->filtering.get(), &GridFiltering::rowsFiltered, this, [this] {
        d->grouping->refresh();
        // The current record stays while the filter lets it through; otherwise the first row.
        d->cursor->settle();
    });
    for (GridHeaderView* header : {d->views.header, d->views.treeHeader}) {
        connect(header, &GridHeaderView::sortRequested, this, &DataGrid::headerClicked);
    }
    connect(d->navigator, &RecordNavigator::filterRequested, d->filtering.get(), &GridFiltering::showBuilder);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(d->groupBox);
    layout->addWidget(d->stack.get(), 1);
    layout->addWidget(d->filterBar);
    layout->addWidget(d->navigator);
    setFocusProxy(d->views.table);
}

DataGrid::~DataGrid() = default;

void DataGrid::buildViews()
{
    GridViewSet& v = d->views;
    d->stack = std::make_unique<QStackedWidget>(this);
    v.stack = d->stack.get();
    v.delegate = new CellEditorDelegate(this);
    v.treeDelegate = new CellEditorDelegate(this);

    v.table = new EditingView<QTableView>(v.stack);
    v.table->setObjectName(QStringLiteral("gridView"));
    v.header = new GridHeaderView(v.table);
    v.table->setHorizontalHeader(v.header);
    v.rowHeader = new RowIndicatorHeader(v.table);
    v.table->setVerticalHeader(v.rowHeader);
    v.table->setCellDelegate(v.delegate);
    v.table->setSelectionBehavior(QAbstractItemView::SelectRows);
    v.table->setSelectionMode(QAbstractItemView::SingleSelection);
    v.table->setWordWrap(false);
    v.table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    v.stack->addWidget(v.table);

    v.tree = new EditingView<QTreeView>(v.stack);
    v.tree->setObjectName(QStringLiteral("groupView"));
    v.treeHeader = new GridHeaderView(v.tree);
    v.treeHeader->setObjectName(QStringLiteral("groupHeader"));
    v.tree->setHeader(v.treeHeader);
    v.treeHeader->setSectionsClickable(true);
    v.tree->setCellDelegate(v.treeDelegate);
    v.tree->setUniformRowHeights(true);
    v.tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    v.stack->addWidget(v.tree);

    for (auto* view : {static_cast<QAbstractItemView*>(v.table), static_cast<QAbstractItemView*>(v.tree)})
        view->setEditTriggers(kEditTriggers);
    v.table->setClickToFocus(true);
    v.tree->setClickToFocus(true);
    bindDelegate(v.delegate);
    bindDelegate(v.treeDelegate);
}

void DataGrid::bindDelegate(CellEditorDelegate* delegate)
{
    delegate->setColumnResolver([this](const QModelIndex& index) {
        const QModelIndex data = toDataIndex(index);
        return data.isValid() ? d->columns->describe(data.column()) : nullptr;
    });
    delegate->setEditGuard([this](const QModelIndex& index) {
        if (d->readOnly)
            return false;
        return !d->editingStart || d->editingStart(toDataIndex(index));
    });
    connect(delegate, &CellEditorDelegate::valueChanged, this, [this](const QModelIndex& index, const QVariant& value) {
        const QModelIndex data = toDataIndex(index);
        emit editorValueChanged(d->columns->fieldAt(data.column()), data, value);
    });
    connect(delegate, &CellEditorDelegate::linkActivated, this, [this](const QModelIndex& index) {
        const QModelIndex data = toDataIndex(index);
        emit linkActivated(d->columns->fieldAt(data.column()), data);
    });
    connect(delegate, &CellEditorDelegate::lookupFailed, this, &DataGrid::error);
}

void DataGrid::setModel(QAbstractItemModel* model)
{
    d->modelWatch = std::make_unique<QObject>();
    d->model = model;
    d->views.table->setModel(model);
    const SqlModel* sql = SqlModel::of(model);
    for (CellEditorDelegate* delegate : {d->views.delegate, d->views.treeDelegate})
        delegate->setLookupConnectionName(sql ? sql->connectionName() : QString());
    d->grouping->setModel(model);
    d->filtering->setModel(model);
    d->cursor->setModel(model);
    d->navigation->follow();
    if (model) {
        QObject* watch = d->modelWatch.get();
        connect(model, &QAbstractItemModel::modelAboutToBeReset, watch, [this] { d->cursor->aboutToReset(); });
        connect(model, &QAbstractItemModel::modelReset, watch, [this] {
            d->columns->apply();
            d->cursor->settle();
            showSortIndicator();
        });
        connect(model, &QAbstractItemModel::columnsInserted, watch, [this] { d->columns->apply(); });
        connect(model, &QAbstractItemModel::columnsRemoved, watch, [this] { d->columns->apply(); });
    }
    d->columns->setModel(model);
    showSortIndicator();
}

void DataGrid::setDefaultSort(const QString& field, Qt::SortOrder order)
{
    d->defaultSortField = field;
    d->defaultSortOrder = order;
    showSortIndicator();
}

void DataGrid::headerClicked(int logical)
{
    const QString field = d->columns->fieldAt(logical);
    if (field.isEmpty())
        return;
    if (d->sortField.compare(field, Qt::CaseInsensitive) != 0)
        sortBy(field, Qt::AscendingOrder);
    else if (d->sortOrder == Qt::AscendingOrder)
        sortBy(field, Qt::DescendingOrder);
    else
        sortBy(QString());
    emit sortChanged(d->sortField, d->sortOrder);
}

void DataGrid::sortBy(const QString& field, Qt::SortOrder order)
{
    d->sortField = field;
    d->sortOrder = field.isEmpty() ? d->defaultSortOrder : order;
    const QString column = field.isEmpty() ? d->defaultSortField : field;
    SqlModel* sql = SqlModel::of(d->model);
    if (sql && (sql->sortColumn() != column || sql->sortOrder() != d->sortOrder)) {
        if (sql->isOpen())
            d->cursor->startAtTop();
        sql->setSort(column, d->sortOrder);
    }
    if (d->grouping->model()) {
        d->grouping->sortRows(column, d->sortOrder);
        // The tree was read anew: the current record is found in it again.
        d->cursor->settle();
    }
    showSortIndicator();
}

QString DataGrid::sortField() const
{
    return d->sortField;
}

Qt::SortOrder DataGrid::sortOrder() const
{
    return d->sortOrder;
}

void DataGrid::showSortIndicator()
{
    // The arrow shows the sort in force, the default one included.
    const SqlModel* sql = SqlModel::of(d->model);
    const QString column = sql ? sql->sortColumn() : QString();
    const int logical = column.isEmpty() ? -1 : d->columns->modelColumn(column);
    const Qt::SortOrder order = sql ? sql->sortOrder() : Qt::AscendingOrder;
    for (GridHeaderView* header : {d->views.header, d->views.treeHeader})
        header->setSortArrow(logical, order);
}

QAbstractItemModel* DataGrid::model() const
{
    return d->model;
}

GridColumnLayout& DataGrid::columns() const
{
    return *d->columns;
}

GridColumnMenu& DataGrid::columnMenu() const
{
    return *d->columnMenu;
}

GridFiltering& DataGrid::filtering() const
{
    return *d->filtering;
}

GridGrouping& DataGrid::grouping() const
{
    return *d->grouping;
}

GridCursor& DataGrid::cursor() const
{
    return *d->cursor;
}

QModelIndex DataGrid::toDataIndex(const QModelIndex& viewIndex) const
{
    if (!viewIndex.isValid())
        return {};
    if (viewIndex.model() == d->model)
        return viewIndex;
    // While grouped, a record row of the grouping model stands for its record (same columns).
    return d->grouping->isRecord(viewIndex) ? viewIndex : QModelIndex();
}

QTableView* DataGrid::tableView() const
{
    return d->views.table;
}

QTreeView* DataGrid::groupView() const
{
    return d->views.tree;
}

QAbstractItemView* DataGrid::currentView() const
{
    return d->views.current();
}

RecordNavigator* DataGrid::navigator() const
{
    return d->navigator;
}

FilterBar* DataGrid::filterBar() const
{
    return d->filterBar;
}

GroupByBox* DataGrid::groupByBox() const
{
    return d->groupBox;
}

void DataGrid::setCellStyleCallback(CellStyleCallback callback)
{
    CellStyleCallback style;
    // The owner sees indexes of the data model only; group rows keep the grid's look.
    if (callback)
        style = [this, callback = std::move(callback)](const QModelIndex& index, CellStyle& cell) {
            const QModelIndex data = toDataIndex(index);
            if (data.isValid())
                callback(data, cell);
        };
    d->views.delegate->setStyleCallback(style);
    d->views.treeDelegate->setStyleCallback(style);
    d->views.table->viewport()->update();
    d->views.tree->viewport()->update();
}

void DataGrid::setEditingStartCallback(EditingStartCallback callback)
{
    d->editingStart = std::move(callback);
}

void DataGrid::setSelectionBackground(const QColor& color)
{
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(d->views.table), static_cast<QAbstractItemView*>(d->views.tree)}) {
        QPalette palette = view->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Highlight, color);
            palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
        }
        view->setPalette(palette);
    }
}

void DataGrid::setHighlightedWords(const QStringList& words)
{
    d->views.delegate->setHighlightedWords(words);
    d->views.treeDelegate->setHighlightedWords(words);
    d->views.table->viewport()->update();
    d->views.tree->viewport()->update();
}

QStringList DataGrid::highlightedWords() const
{
    return d->views.delegate->highlightedWords();
}

void DataGrid::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
    const auto triggers = readOnly ? QAbstractItemView::NoEditTriggers : kEditTriggers;
    d->views.table->setEditTriggers(triggers);
    d->views.tree->setEditTriggers(triggers);
}

bool DataGrid::isReadOnly() const
{
    return d->readOnly;
}

} // namespace pelmora::toolkit
