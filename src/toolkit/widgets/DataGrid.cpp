#include "toolkit/widgets/DataGrid.h"

#include "toolkit/LookupList.h"
#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/SqlUtil.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/ConditionBuilderDialog.h"
#include "toolkit/widgets/DisplayFormat.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridFilter.h"
#include "toolkit/widgets/GroupByBox.h"
#include "toolkit/widgets/HeaderFilterPopup.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/GridViews.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace pelmora::toolkit {

namespace {
constexpr int kDefaultRowHeight = 20;
}

struct DataGrid::Private
{
    QPointer<QAbstractItemModel> model;
    QList<QMetaObject::Connection> modelConnections;
    QList<GridColumn> columns;
    QVector<int> descriptionOf; // model column -> index into columns, -1 when undescribed
    QHash<QString, int> modelColumnOf; // lower-case field -> model column
    QStringList fieldNames;            // model column -> field name

    QVBoxLayout *layout = nullptr;
    QStackedWidget *stack = nullptr;
    EditingView<QTableView> *table = nullptr;
    EditingView<QTreeView> *tree = nullptr;
    GridHeaderView *header = nullptr;
    RowIndicatorHeader *rowHeader = nullptr;
    CellEditorDelegate *delegate = nullptr;
    RecordNavigator *navigator = nullptr;
    FilterBar *filterBar = nullptr;
    GroupByBox *groupBox = nullptr;

    EditingStartCallback editingStart;
    FilterInstaller filterInstaller;
    std::function<QVariantList(const QString &)> valueProvider;

    bool readOnly = false;
    bool autoWidth = false;
    bool fitting = false;
    bool customization = true;
    bool groupingEnabled = false;
    bool filtering = false;
    int rowHeight = kDefaultRowHeight;
    QStringList grouped;
    std::unique_ptr<SqlGroupModel> groupModel;
    GridFilter filter;
    int lastFocusedRow = -2;
    int resetRow = -1;
    int resetColumn = -1;
};

DataGrid::DataGrid(QWidget *parent)
    : QWidget(parent)
    , d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("dataGrid"));
    d->layout = new QVBoxLayout(this);
    d->layout->setContentsMargins(0, 0, 0, 0);
    d->layout->setSpacing(0);

    d->delegate = new CellEditorDelegate(this);
    d->delegate->setColumnResolver([this](const QModelIndex &index) { return describe(index); });
    d->delegate->setEditGuard([this](const QModelIndex &index) {
        if (d->readOnly)
            return false;
        return !d->editingStart || d->editingStart(toDataIndex(index));
    });
    connect(d->delegate, &CellEditorDelegate::valueChanged, this, [this](const QModelIndex &index, const QVariant &value) {
        const QModelIndex data = toDataIndex(index);
        emit editorValueChanged(fieldAt(data.column()), data, value);
    });
    connect(d->delegate, &CellEditorDelegate::linkActivated, this, [this](const QModelIndex &index) {
        const QModelIndex data = toDataIndex(index);
        emit linkActivated(fieldAt(data.column()), data);
    });

    d->stack = new QStackedWidget(this);
    d->table = new EditingView<QTableView>(d->stack);
    d->table->setObjectName(QStringLiteral("gridView"));
    d->header = new GridHeaderView(d->table);
    d->table->setHorizontalHeader(d->header);
    d->rowHeader = new RowIndicatorHeader(d->table);
    d->table->setVerticalHeader(d->rowHeader);
    d->table->setCellDelegate(d->delegate);
    d->table->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->table->setSelectionMode(QAbstractItemView::SingleSelection);
    d->table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked);
    d->table->setWordWrap(false);
    d->table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    d->rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    d->rowHeader->setDefaultSectionSize(d->rowHeight);
    d->rowHeader->setMinimumSectionSize(8);
    d->delegate->setRowHeight(d->rowHeight);
    d->header->setSectionResizeMode(QHeaderView::Interactive);
    d->header->setStretchLastSection(false);
    d->header->setFieldNameOf([this](int logical) { return fieldAt(logical); });
    d->header->setFilterableTest([this](int logical) {
        const int at = logical < d->descriptionOf.size() ? d->descriptionOf[logical] : -1;
        return at < 0 || d->columns[at].filterable;
    });
    d->table->viewport()->installEventFilter(this);
    connect(d->header, &QHeaderView::sectionResized, this, &DataGrid::onSectionResized);
    connect(d->header, &QWidget::customContextMenuRequested, this, &DataGrid::onHeaderMenu);
    connect(d->header, &GridHeaderView::filterButtonClicked, this,
            [this](int logical, const QRect &) { showHeaderFilter(fieldAt(logical)); });
    d->stack->addWidget(d->table);

    d->tree = new EditingView<QTreeView>(d->stack);
    d->tree->setObjectName(QStringLiteral("groupView"));
    d->tree->setCellDelegate(d->delegate);
    d->tree->setUniformRowHeights(true);
    d->tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->tree->setEditTriggers(d->table->editTriggers());
    // A group's rows are read as it opens, even while the tree still waits to lay itself out.
    connect(d->tree, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (QAbstractItemModel *model = d->tree->model(); model && model->canFetchMore(index))
            model->fetchMore(index);
    });
    d->stack->addWidget(d->tree);

    d->groupBox = new GroupByBox(this);
    d->groupBox->setVisible(false);
    connect(d->groupBox, &GroupByBox::columnDropped, this,
            [this](const QString &field, int level) { groupByColumn(field, level); });
    connect(d->groupBox, &GroupByBox::ungroupRequested, this, &DataGrid::ungroupColumn);

    d->filterBar = new FilterBar(this);
    d->filterBar->setVisible(false);
    connect(d->filterBar, &FilterBar::activeToggled, this, &DataGrid::setFilterActive);
    connect(d->filterBar, &FilterBar::clearClicked, this, &DataGrid::clearFilter);
    connect(d->filterBar, &FilterBar::customizeClicked, this, &DataGrid::showFilterBuilder);

    d->navigator = new RecordNavigator(this);
    d->navigator->setView(d->table);
    connect(d->navigator, &RecordNavigator::filterRequested, this, &DataGrid::showFilterBuilder);

    d->layout->addWidget(d->groupBox);
    d->layout->addWidget(d->stack, 1);
    d->layout->addWidget(d->filterBar);
    d->layout->addWidget(d->navigator);
    setFocusProxy(d->table);
}

DataGrid::~DataGrid()
{
    // The views and the delegate call back into d; they go before it does.
    for (const auto &c : std::as_const(d->modelConnections))
        disconnect(c);
    d->delegate->setColumnResolver({});
    d->delegate->setEditGuard({});
    d->delegate->setStyleCallback({});
    delete d->stack;
    d->stack = nullptr;
}

// --- data and columns ---

void DataGrid::setModel(QAbstractItemModel *model)
{
    for (const auto &c : std::as_const(d->modelConnections))
        disconnect(c);
    d->modelConnections.clear();
    d->model = model;
    d->fieldNames.clear();
    d->table->setModel(model);
    d->navigator->setView(d->table);
    if (auto *sql = qobject_cast<SqlTableModel *>(model))
        d->delegate->setLookupConnectionName(sql->connectionName());
    else if (auto *table = qobject_cast<QSqlTableModel *>(model))
        d->delegate->setLookupConnectionName(table->database().connectionName());
    if (model) {
        d->modelConnections
            << connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
                       [this] {
                           const QModelIndex current = d->table->currentIndex();
                           d->resetRow = current.row();
                           d->resetColumn = current.column();
                       })
            << connect(model, &QAbstractItemModel::modelReset, this,
                       [this] {
                           applyColumns();
                           restoreCurrentAfterReset();
                       })
            << connect(model, &QAbstractItemModel::columnsInserted, this, [this] { applyColumns(); })
            << connect(model, &QAbstractItemModel::columnsRemoved, this, [this] { applyColumns(); });
        connect(d->table->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex &current) { onCurrentChanged(current); });
    }
    applyColumns();
}

QAbstractItemModel *DataGrid::model() const
{
    return d->model;
}

void DataGrid::setColumns(const QList<GridColumn> &columns)
{
    d->columns = columns;
    applyColumns();
}

QList<GridColumn> DataGrid::columns() const
{
    QList<GridColumn> out = d->columns;
    // Widths and visibility as the merchant left them.
    for (GridColumn &c : out) {
        const int at = modelColumn(c.field);
        if (at < 0)
            continue;
        c.visible = !d->table->isColumnHidden(at);
        if (c.visible && !d->autoWidth)
            c.width = d->table->columnWidth(at);
    }
    return out;
}

const GridColumn *DataGrid::column(const QString &field) const
{
    for (const GridColumn &c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

int DataGrid::modelColumn(const QString &field) const
{
    return d->modelColumnOf.value(field.toLower(), -1);
}

QString DataGrid::fieldAt(int modelColumn) const
{
    return d->fieldNames.value(modelColumn);
}

QString DataGrid::readFieldName(int modelColumn) const
{
    if (auto *sql = qobject_cast<SqlTableModel *>(d->model.data()))
        return sql->columnName(modelColumn);
    if (auto *query = qobject_cast<QSqlQueryModel *>(d->model.data()))
        return query->record().fieldName(modelColumn);
    // Other models name their columns in the header, where the grid later puts captions.
    const QString name = d->model->headerData(modelColumn, Qt::Horizontal, Qt::EditRole).toString();
    const QString previous = d->fieldNames.value(modelColumn);
    if (!previous.isEmpty())
        if (const GridColumn *c = column(previous); c && c->title() == name)
            return previous;
    return name;
}

void DataGrid::rebuildColumnMap()
{
    d->modelColumnOf.clear();
    d->descriptionOf.clear();
    if (!d->model) {
        d->fieldNames.clear();
        return;
    }
    const int count = d->model->columnCount();
    QStringList names;
    for (int c = 0; c < count; ++c)
        names << readFieldName(c);
    d->fieldNames = names;
    d->descriptionOf.fill(-1, count);
    for (int c = 0; c < count; ++c) {
        const QString &field = names[c];
        d->modelColumnOf.insert(field.toLower(), c);
        for (int i = 0; i < d->columns.size(); ++i)
            if (d->columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
                d->descriptionOf[c] = i;
    }
}

void DataGrid::applyColumns()
{
    rebuildColumnMap();
    if (!d->model)
        return;
    const QSignalBlocker block(d->header);
    const int count = d->model->columnCount();
    // Undescribed columns are hidden once the grid has a column list.
    for (int c = 0; c < count; ++c) {
        const int at = d->descriptionOf[c];
        if (at < 0) {
            d->table->setColumnHidden(c, !d->columns.isEmpty());
            continue;
        }
        const GridColumn &column = d->columns[at];
        d->table->setColumnHidden(c, !column.visible);
        d->table->setColumnWidth(c, column.width);
        d->model->setHeaderData(c, Qt::Horizontal, column.title(), Qt::DisplayRole);
    }
    // The described columns come first, in the order described.
    int visual = 0;
    for (const GridColumn &column : std::as_const(d->columns)) {
        const int logical = modelColumn(column.field);
        if (logical < 0)
            continue;
        const int from = d->header->visualIndex(logical);
        if (from != visual)
            d->header->moveSection(from, visual);
        ++visual;
    }
    fitColumns();
    d->table->viewport()->update();
    d->header->viewport()->update();
}

void DataGrid::setColumnVisible(const QString &field, bool visible)
{
    for (GridColumn &c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.visible = visible;
    const int at = modelColumn(field);
    if (at < 0)
        return;
    d->table->setColumnHidden(at, !visible);
    d->tree->setColumnHidden(at, !visible);
    placeTreeDecoration();
    fitColumns();
}

bool DataGrid::isColumnVisible(const QString &field) const
{
    const int at = modelColumn(field);
    return at >= 0 && !d->table->isColumnHidden(at);
}

void DataGrid::setColumnWidth(const QString &field, int width)
{
    for (GridColumn &c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.width = width;
    const int at = modelColumn(field);
    if (at < 0)
        return;
    if (d->autoWidth) {
        fitColumns();
        return;
    }
    d->table->setColumnWidth(at, width);
    d->tree->setColumnWidth(at, width);
}

int DataGrid::columnWidth(const QString &field) const
{
    const int at = modelColumn(field);
    return at < 0 ? 0 : d->table->columnWidth(at);
}

void DataGrid::hideAllColumns()
{
    for (GridColumn &c : d->columns)
        c.visible = false;
    if (!d->model)
        return;
    for (int c = 0; c < d->model->columnCount(); ++c) {
        d->table->setColumnHidden(c, true);
        d->tree->setColumnHidden(c, true);
    }
}

QStringList DataGrid::visibleColumns() const
{
    QStringList out;
    if (!d->model)
        return out;
    for (int visual = 0; visual < d->header->count(); ++visual) {
        const int logical = d->header->logicalIndex(visual);
        if (!d->header->isSectionHidden(logical))
            out << fieldAt(logical);
    }
    return out;
}

const GridColumn *DataGrid::describe(const QModelIndex &index) const
{
    const QModelIndex data = toDataIndex(index);
    if (!data.isValid() || data.column() >= d->descriptionOf.size())
        return nullptr;
    const int at = d->descriptionOf[data.column()];
    return at < 0 ? nullptr : &d->columns[at];
}

QModelIndex DataGrid::toDataIndex(const QModelIndex &viewIndex) const
{
    if (!viewIndex.isValid())
        return {};
    if (viewIndex.model() == d->model)
        return viewIndex;
    // While grouped, a record row of the grouping model stands for its record (same columns).
    if (d->groupModel && viewIndex.model() == d->groupModel.get() && !d->groupModel->isGroup(viewIndex))
        return viewIndex;
    return {};
}

// --- parts ---

QTableView *DataGrid::tableView() const
{
    return d->table;
}

QTreeView *DataGrid::groupView() const
{
    return d->tree;
}

QAbstractItemView *DataGrid::currentView() const
{
    return d->stack->currentWidget() == d->tree ? static_cast<QAbstractItemView *>(d->tree)
                                                : static_cast<QAbstractItemView *>(d->table);
}

CellEditorDelegate *DataGrid::delegate() const
{
    return d->delegate;
}

RecordNavigator *DataGrid::navigator() const
{
    return d->navigator;
}

FilterBar *DataGrid::filterBar() const
{
    return d->filterBar;
}

GroupByBox *DataGrid::groupByBox() const
{
    return d->groupBox;
}

void DataGrid::setNavigatorVisible(bool visible)
{
    d->navigator->setVisible(visible);
}

bool DataGrid::isNavigatorVisible() const
{
    return !d->navigator->isHidden();
}

void DataGrid::setNavigatorButtons(const QList<RecordNavigator::Button> &buttons)
{
    d->navigator->setButtons(buttons);
}

// --- behaviour ---

void DataGrid::setCellStyleCallback(CellStyleCallback callback)
{
    if (!callback) {
        d->delegate->setStyleCallback({});
        return;
    }
    // The owner sees indexes of the data model only; group rows keep the grid's look.
    d->delegate->setStyleCallback([this, callback = std::move(callback)](const QModelIndex &index, CellStyle &style) {
        const QModelIndex data = toDataIndex(index);
        if (data.isValid())
            callback(data, style);
    });
    d->table->viewport()->update();
}

void DataGrid::setEditingStartCallback(EditingStartCallback callback)
{
    d->editingStart = std::move(callback);
}

void DataGrid::setSelectionBackground(const QColor &color)
{
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(d->table), static_cast<QAbstractItemView *>(d->tree)}) {
        QPalette palette = view->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Highlight, color);
            palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
        }
        view->setPalette(palette);
    }
}

void DataGrid::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
    const auto triggers = readOnly ? QAbstractItemView::NoEditTriggers
                                   : QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                                         QAbstractItemView::DoubleClicked;
    d->table->setEditTriggers(triggers);
    d->tree->setEditTriggers(triggers);
}

bool DataGrid::isReadOnly() const
{
    return d->readOnly;
}

void DataGrid::setRowHeight(int pixels)
{
    d->rowHeight = qMax(8, pixels);
    d->delegate->setRowHeight(d->rowHeight);
    // Changing the default size reports every row resized; over a million rows that is
    // slow, and the view only needs to lay itself out again.
    {
        const QSignalBlocker block(d->rowHeader);
        d->rowHeader->setDefaultSectionSize(d->rowHeight);
    }
    d->table->doItemsLayout();
    d->table->viewport()->update();
}

int DataGrid::rowHeight() const
{
    return d->rowHeight;
}

void DataGrid::setRowResizingAllowed(bool allowed)
{
    d->rowHeader->setSectionResizeMode(allowed ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void DataGrid::setColumnMovingAllowed(bool allowed)
{
    d->header->setSectionsMovable(allowed);
}

void DataGrid::setColumnAutoWidth(bool on)
{
    if (d->autoWidth == on)
        return;
    // Leaving auto-width keeps the widths the columns have now.
    if (!on) {
        for (GridColumn &c : d->columns) {
            const int at = modelColumn(c.field);
            if (at >= 0 && !d->table->isColumnHidden(at))
                c.width = d->table->columnWidth(at);
        }
    }
    d->autoWidth = on;
    d->table->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    fitColumns();
    emit columnAutoWidthChanged(on);
}

bool DataGrid::columnAutoWidth() const
{
    return d->autoWidth;
}

void DataGrid::fitColumns()
{
    if (!d->autoWidth || !d->model || d->fitting)
        return;
    d->fitting = true;
    const int available = d->table->viewport()->width();
    QList<int> shown;
    int total = 0;
    for (int c = 0; c < d->model->columnCount(); ++c) {
        if (d->table->isColumnHidden(c))
            continue;
        shown << c;
        const int at = d->descriptionOf.value(c, -1);
        total += at >= 0 ? qMax(1, d->columns[at].width) : 100;
    }
    int used = 0;
    for (int i = 0; i < shown.size(); ++i) {
        const int c = shown[i];
        const int at = d->descriptionOf.value(c, -1);
        const int base = at >= 0 ? qMax(1, d->columns[at].width) : 100;
        // The last column takes what rounding left over.
        const int width = i + 1 == shown.size() ? available - used : int(qint64(available) * base / qMax(1, total));
        d->table->setColumnWidth(c, qMax(d->header->minimumSectionSize(), width));
        used += width;
    }
    d->fitting = false;
}

void DataGrid::onSectionResized(int logical, int, int newSize)
{
    d->tree->setColumnWidth(logical, newSize);
    if (d->fitting || !d->autoWidth)
        return;
    // In auto-width the merchant's new width becomes that column's share.
    const int at = d->descriptionOf.value(logical, -1);
    if (at < 0)
        return;
    int total = 0;
    int shown = 0;
    for (int c = 0; c < d->model->columnCount(); ++c)
        if (!d->table->isColumnHidden(c)) {
            const int i = d->descriptionOf.value(c, -1);
            total += i >= 0 ? qMax(1, d->columns[i].width) : 100;
            ++shown;
        }
    const int available = qMax(1, d->table->viewport()->width());
    d->columns[at].width = qMax(1, int(qint64(newSize) * total / available));
    fitColumns();
}

void DataGrid::autoSizeColumn(const QString &field)
{
    const int logical = modelColumn(field);
    if (logical < 0 || !d->model)
        return;
    // The caption, and the rows in view only.
    int width = d->header->sectionSizeHint(logical);
    QAbstractItemView *view = currentView();
    const QModelIndex top = view->indexAt(QPoint(1, 1));
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    if (top.isValid()) {
        const int bottom = view->viewport()->height();
        for (QModelIndex index = top; index.isValid() && view->visualRect(index).top() < bottom;) {
            const QModelIndex cell = index.siblingAtColumn(logical);
            width = qMax(width, d->delegate->sizeHint(option, cell).width() + 4);
            if (auto *tree = qobject_cast<QTreeView *>(view))
                index = tree->indexBelow(index);
            else
                index = index.sibling(index.row() + 1, index.column());
        }
    }
    for (GridColumn &c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.width = width;
    if (d->autoWidth)
        fitColumns();
    else
        d->table->setColumnWidth(logical, width);
}

void DataGrid::autoSizeColumns()
{
    const QStringList fields = visibleColumns();
    for (const QString &field : fields)
        autoSizeColumn(field);
}

void DataGrid::setColumnCustomizationAllowed(bool allowed)
{
    d->customization = allowed;
}

QMenu *DataGrid::createColumnMenu(int logical, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("gridColumnMenu"));
    const QString field = fieldAt(logical);
    if (logical >= 0) {
        QAction *fit = menu->addAction(tr("Best fit"));
        fit->setObjectName(QStringLiteral("gridBestFit"));
        connect(fit, &QAction::triggered, this, [this, field] { autoSizeColumn(field); });
    }
    QAction *fitAll = menu->addAction(tr("Best fit (all columns)"));
    fitAll->setObjectName(QStringLiteral("gridBestFitAll"));
    connect(fitAll, &QAction::triggered, this, &DataGrid::autoSizeColumns);
    QAction *autoWidth = menu->addAction(tr("Column auto-width"));
    autoWidth->setObjectName(QStringLiteral("gridAutoWidth"));
    autoWidth->setCheckable(true);
    autoWidth->setChecked(d->autoWidth);
    connect(autoWidth, &QAction::toggled, this, &DataGrid::setColumnAutoWidth);
    if (d->groupingEnabled && logical >= 0) {
        menu->addSeparator();
        QAction *group = menu->addAction(tr("Group by this column"));
        group->setObjectName(QStringLiteral("gridGroupByColumn"));
        connect(group, &QAction::triggered, this, [this, field] { groupByColumn(field); });
        QAction *box = menu->addAction(tr("Group-by box"));
        box->setObjectName(QStringLiteral("gridGroupByBox"));
        box->setCheckable(true);
        box->setChecked(isGroupByBoxVisible());
        connect(box, &QAction::toggled, this, &DataGrid::setGroupByBoxVisible);
    }
    if (d->customization && d->model) {
        // The quick customisation list: every described column, checked when shown.
        menu->addSeparator();
        QMenu *list = menu->addMenu(tr("Columns"));
        list->setObjectName(QStringLiteral("gridColumnList"));
        for (const GridColumn &c : std::as_const(d->columns)) {
            const int at = modelColumn(c.field);
            if (at < 0)
                continue;
            QAction *toggle = list->addAction(c.title());
            toggle->setObjectName(QStringLiteral("gridColumn_") + c.field);
            toggle->setCheckable(true);
            toggle->setChecked(!d->table->isColumnHidden(at));
            const QString name = c.field;
            connect(toggle, &QAction::toggled, this, [this, name](bool on) { setColumnVisible(name, on); });
        }
    }
    return menu;
}

void DataGrid::onHeaderMenu(const QPoint &pos)
{
    QMenu *menu = createColumnMenu(d->header->logicalIndexAt(pos), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(d->header->mapToGlobal(pos));
}

// --- current row ---

int DataGrid::currentRow() const
{
    const QModelIndex data = currentIndex();
    return data.isValid() ? data.row() : -1;
}

void DataGrid::setCurrentRow(int row)
{
    if (!d->model || row < 0 || row >= d->model->rowCount() || currentView() != d->table)
        return;
    const QModelIndex current = d->table->currentIndex();
    int column = current.isValid() && !d->table->isColumnHidden(current.column()) ? current.column() : -1;
    for (int visual = 0; column < 0 && visual < d->header->count(); ++visual)
        if (!d->header->isSectionHidden(d->header->logicalIndex(visual)))
            column = d->header->logicalIndex(visual);
    const QModelIndex target = d->model->index(row, qMax(0, column));
    d->table->setCurrentIndex(target);
    d->table->scrollTo(target);
}

QModelIndex DataGrid::currentIndex() const
{
    const QModelIndex current = currentView()->currentIndex();
    if (!current.isValid() || current.model() == d->model)
        return current;
    // A record row of the grouping model: the same record in the data set, found by its key.
    auto *sql = qobject_cast<SqlTableModel *>(d->model.data());
    if (!sql || !d->groupModel || d->groupModel->isGroup(current))
        return {};
    const int row = sql->rowOfKey(d->groupModel->keyAt(current));
    return row < 0 ? QModelIndex() : sql->index(row, current.column());
}

void DataGrid::restoreCurrentAfterReset()
{
    // A model that re-reads itself after a post (QSqlTableModel) must not throw the merchant
    // back to the top of the grid.
    if (!d->model || d->resetRow < 0 || d->model->rowCount() == 0)
        return;
    const int row = qMin(d->resetRow, d->model->rowCount() - 1);
    const QModelIndex target = d->model->index(row, qMax(0, d->resetColumn));
    d->resetRow = -1;
    d->table->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DataGrid::onCurrentChanged(const QModelIndex &)
{
    d->rowHeader->viewport()->update();
    const int row = currentRow();
    if (row == d->lastFocusedRow)
        return;
    d->lastFocusedRow = row;
    emit focusedRowChanged(row);
}

// --- grouping ---

void DataGrid::setGroupingEnabled(bool enabled)
{
    d->groupingEnabled = enabled;
    d->header->setDragOutEnabled(enabled);
    if (enabled)
        d->header->setSectionsMovable(true);
}

bool DataGrid::isGroupingEnabled() const
{
    return d->groupingEnabled;
}

void DataGrid::setGroupByBoxVisible(bool visible)
{
    d->groupBox->setVisible(visible);
}

bool DataGrid::isGroupByBoxVisible() const
{
    return !d->groupBox->isHidden();
}

void DataGrid::setGroupedColumns(const QStringList &fields)
{
    QStringList known;
    for (const QString &field : fields)
        if (modelColumn(field) >= 0 && !known.contains(fieldAt(modelColumn(field))))
            known << fieldAt(modelColumn(field));
    if (known == d->grouped)
        return;
    d->grouped = known;
    rebuildGroups();
}

QStringList DataGrid::groupedColumns() const
{
    return d->grouped;
}

void DataGrid::groupByColumn(const QString &field, int level)
{
    if (modelColumn(field) < 0)
        return;
    QStringList fields = d->grouped;
    fields.removeIf([&](const QString &f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    fields.insert(level < 0 || level > fields.size() ? fields.size() : level, field);
    setGroupedColumns(fields);
}

void DataGrid::ungroupColumn(const QString &field)
{
    QStringList fields = d->grouped;
    fields.removeIf([&](const QString &f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    setGroupedColumns(fields);
}

void DataGrid::ungroupAll()
{
    setGroupedColumns({});
}

void DataGrid::expandAllGroups()
{
    d->tree->expandAll();
}

void DataGrid::collapseAllGroups()
{
    d->tree->collapseAll();
}

bool DataGrid::prepareGroupModel()
{
    auto *group = d->groupModel.get();
    if (auto *sql = qobject_cast<SqlTableModel *>(d->model.data())) {
        group->setConnectionName(sql->connectionName());
        group->setTable(sql->table());
        group->setKeyColumn(sql->keyColumn());
        group->setFilter(sql->filter());
        if (!sql->sortColumn().isEmpty())
            group->setSort(sql->sortColumn(), sql->sortOrder());
    } else if (auto *table = qobject_cast<QSqlTableModel *>(d->model.data())) {
        group->setConnectionName(table->database().connectionName());
        group->setTable(table->tableName());
        const QSqlIndex key = table->primaryKey();
        group->setKeyColumn(key.count() == 1 ? key.fieldName(0) : QStringLiteral("rowid"));
        group->setFilter(table->filter());
    } else {
        return false;
    }
    group->setColumns(d->fieldNames);
    return true;
}

void DataGrid::rebuildGroups()
{
    const QList<QPair<QString, QString>> chips = [this] {
        QList<QPair<QString, QString>> out;
        for (const QString &field : std::as_const(d->grouped)) {
            const GridColumn *c = column(field);
            out << qMakePair(field, c ? c->title() : field);
        }
        return out;
    }();
    d->groupBox->setGroups(chips);

    if (d->grouped.isEmpty() || !d->model) {
        d->stack->setCurrentWidget(d->table);
        d->navigator->setView(d->table);
        d->tree->setModel(nullptr);
        if (d->groupModel)
            d->groupModel->close();
        emit groupingChanged(d->grouped);
        return;
    }
    if (!d->groupModel) {
        d->groupModel = std::make_unique<SqlGroupModel>();
    }
    if (!prepareGroupModel()) {
        // Grouping needs the data set's table; other models stay flat.
        d->grouped.clear();
        d->groupBox->setGroups({});
        emit groupingChanged(d->grouped);
        return;
    }
    d->groupModel->setGroupColumns(d->grouped);
    if (d->tree->model() != d->groupModel.get()) {
        d->tree->setModel(d->groupModel.get());
        connect(d->tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex &current) { onCurrentChanged(current); });
    }
    if (d->groupModel->isOpen())
        d->groupModel->refresh();
    else
        d->groupModel->open();
    // The tree shows the columns as the table does.
    QHeaderView *treeHeader = d->tree->header();
    treeHeader->setSectionsMovable(true);
    for (int visual = 0; visual < d->header->count(); ++visual) {
        const int logical = d->header->logicalIndex(visual);
        const int from = treeHeader->visualIndex(logical);
        if (from != visual)
            treeHeader->moveSection(from, visual);
        d->tree->setColumnHidden(logical, d->header->isSectionHidden(logical));
        d->tree->setColumnWidth(logical, d->header->sectionSize(logical));
    }
    placeTreeDecoration();
    d->stack->setCurrentWidget(d->tree);
    d->navigator->setView(d->tree);
    emit groupingChanged(d->grouped);
}

void DataGrid::placeTreeDecoration()
{
    // The expand buttons sit in the first column shown (the model's first is often hidden).
    QHeaderView *header = d->tree->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) {
            d->tree->setTreePosition(logical);
            return;
        }
    }
}

// --- filtering ---

void DataGrid::setFilteringEnabled(bool enabled)
{
    d->filtering = enabled;
    d->header->setFilterButtonsVisible(enabled);
}

bool DataGrid::isFilteringEnabled() const
{
    return d->filtering;
}

const GridFilter &DataGrid::filter() const
{
    return d->filter;
}

void DataGrid::setFilter(const GridFilter &filter)
{
    d->filter = filter;
    applyFilter();
}

void DataGrid::setColumnFilter(const QString &field, const FilterCondition &condition)
{
    d->filter.setColumnCondition(field, condition);
    d->filter.setActive(true);
    applyFilter();
}

QString DataGrid::filterText() const
{
    return d->filter.isActive() ? d->filter.toExpression() : QString();
}

void DataGrid::clearFilter()
{
    d->filter.clear();
    d->filter.setActive(true);
    applyFilter();
}

void DataGrid::setFilterActive(bool active)
{
    d->filter.setActive(active);
    applyFilter();
}

void DataGrid::setFilterInstaller(FilterInstaller installer)
{
    d->filterInstaller = std::move(installer);
}

void DataGrid::setFilterValueProvider(std::function<QVariantList(const QString &)> provider)
{
    d->valueProvider = std::move(provider);
}

QVariantList DataGrid::filterValues(const QString &field) const
{
    if (d->valueProvider)
        return d->valueProvider(field);
    constexpr int kMaxValues = 1000;
    QString connection;
    QString table;
    if (auto *sql = qobject_cast<SqlTableModel *>(d->model.data())) {
        connection = sql->connectionName();
        table = sql->table();
    } else if (auto *t = qobject_cast<QSqlTableModel *>(d->model.data())) {
        connection = t->database().connectionName();
        table = t->tableName();
    }
    QVariantList values;
    if (!table.isEmpty()) // from the database, never by walking every row
        return LookupList::load(connection, table, field, kMaxValues).values;
    const int logical = modelColumn(field);
    if (!d->model || logical < 0)
        return values;
    QSet<QString> seen;
    for (int row = 0; row < qMin(d->model->rowCount(), kMaxValues); ++row) {
        const QVariant value = d->model->index(row, logical).data(Qt::EditRole);
        if (!DisplayFormat::isBlank(value) && !seen.contains(value.toString())) {
            seen.insert(value.toString());
            values << value;
        }
    }
    std::sort(values.begin(), values.end(), [](const QVariant &a, const QVariant &b) {
        return QVariant::compare(a, b) == QPartialOrdering::Less;
    });
    return values;
}

GridColumn DataGrid::describeField(const QString &field) const
{
    if (const GridColumn *c = column(field))
        return *c;
    GridColumn plain;
    plain.field = field;
    return plain;
}

HeaderFilterPopup *DataGrid::showHeaderFilter(const QString &field)
{
    const int logical = modelColumn(field);
    if (logical < 0)
        return nullptr;
    auto *popup = new HeaderFilterPopup(describeField(field), filterValues(fieldAt(logical)), this);
    const QString name = fieldAt(logical);
    connect(popup, &HeaderFilterPopup::conditionChosen, this,
            [this, name](const FilterCondition &condition) { setColumnFilter(name, condition); });
    connect(popup, &HeaderFilterPopup::customRequested, this, [this] {
        // After the drop-down has closed.
        QMetaObject::invokeMethod(this, &DataGrid::showFilterBuilder, Qt::QueuedConnection);
    });
    const QRect section(d->header->mapToGlobal(QPoint(d->header->sectionViewportPosition(logical), 0)),
                        QSize(d->header->sectionSize(logical), d->header->height()));
    popup->popupBelow(section);
    return popup;
}

void DataGrid::showFilterBuilder()
{
    QList<GridColumn> offered;
    for (const QString &field : std::as_const(d->fieldNames)) {
        const GridColumn c = describeField(field);
        if (c.filterable && (d->columns.isEmpty() || column(field)))
            offered << c;
    }
    ConditionBuilderDialog dialog(offered, d->filter.root(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    d->filter.setRoot(dialog.condition());
    d->filter.setActive(true);
    applyFilter();
}

void DataGrid::applyFilter()
{
    const QString text = filterText();
    if (d->filterInstaller) {
        d->filterInstaller(text);
    } else {
        const QString where = d->filter.isActive() ? d->filter.toSql() : QString();
        if (auto *sql = qobject_cast<SqlTableModel *>(d->model.data()))
            sql->setFilter(where);
        else if (auto *table = qobject_cast<QSqlTableModel *>(d->model.data())) {
            table->setFilter(where);
            table->select();
        }
    }
    // A grouped grid shows the same rows as the data set.
    if (d->groupModel && !d->grouped.isEmpty() && prepareGroupModel())
        d->groupModel->refresh();

    d->filterBar->setExpression(d->filter.toExpression(), d->filter.isActive());
    d->filterBar->setVisible(!d->filter.isEmpty());
    QSet<int> filtered;
    for (const QString &field : d->filter.filteredFields())
        if (modelColumn(field) >= 0)
            filtered.insert(modelColumn(field));
    d->header->setFilteredSections(filtered);
    emit filterExpressionChanged(text);
}

// --- layout properties ---

QVariantMap DataGrid::layoutProperties() const
{
    QVariantMap out;
    out.insert(QStringLiteral("Left"), x());
    out.insert(QStringLiteral("Top"), y());
    out.insert(QStringLiteral("Width"), width());
    out.insert(QStringLiteral("Height"), height());
    out.insert(QStringLiteral("RowHeight"), d->rowHeight);
    out.insert(QStringLiteral("AutoWidth"), d->autoWidth);
    if (!d->model)
        return out;
    for (const GridColumn &c : columns()) {
        const int at = modelColumn(c.field);
        if (at < 0)
            continue;
        const QString prefix = QStringLiteral("Column.") + c.field + u'.';
        out.insert(prefix + QStringLiteral("Visible"), c.visible);
        out.insert(prefix + QStringLiteral("Width"), c.width);
        out.insert(prefix + QStringLiteral("Index"), d->header->visualIndex(at));
    }
    return out;
}

void DataGrid::setLayoutProperties(const QVariantMap &properties)
{
    if (properties.contains(QStringLiteral("RowHeight")))
        setRowHeight(properties.value(QStringLiteral("RowHeight")).toInt());
    QList<QPair<int, QString>> order;
    for (GridColumn &c : d->columns) {
        const QString prefix = QStringLiteral("Column.") + c.field + u'.';
        if (properties.contains(prefix + QStringLiteral("Visible")))
            c.visible = properties.value(prefix + QStringLiteral("Visible")).toBool();
        if (properties.contains(prefix + QStringLiteral("Width")))
            c.width = qMax(1, properties.value(prefix + QStringLiteral("Width")).toInt());
        if (properties.contains(prefix + QStringLiteral("Index")))
            order << qMakePair(properties.value(prefix + QStringLiteral("Index")).toInt(), c.field);
    }
    // A stored order rearranges the described columns.
    std::stable_sort(order.begin(), order.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<GridColumn> sorted;
    for (const auto &entry : std::as_const(order))
        if (const GridColumn *c = column(entry.second))
            sorted << *c;
    for (const GridColumn &c : std::as_const(d->columns))
        if (!std::any_of(sorted.cbegin(), sorted.cend(), [&](const GridColumn &s) { return s.field == c.field; }))
            sorted << c;
    d->columns = sorted;
    if (properties.contains(QStringLiteral("AutoWidth")))
        d->autoWidth = properties.value(QStringLiteral("AutoWidth")).toBool();
    d->table->setHorizontalScrollBarPolicy(d->autoWidth ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (properties.contains(QStringLiteral("Width")) && properties.contains(QStringLiteral("Height")) && !parentWidget())
        setGeometry(properties.value(QStringLiteral("Left")).toInt(), properties.value(QStringLiteral("Top")).toInt(),
                    properties.value(QStringLiteral("Width")).toInt(), properties.value(QStringLiteral("Height")).toInt());
    applyColumns();
}

void DataGrid::saveLayout(QSettings &settings, const QString &group) const
{
    settings.beginGroup(group);
    settings.remove(QString());
    const QVariantMap properties = layoutProperties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.endGroup();
}

void DataGrid::restoreLayout(QSettings &settings, const QString &group)
{
    settings.beginGroup(group);
    QVariantMap properties;
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        properties.insert(key, settings.value(key));
    settings.endGroup();
    if (!properties.isEmpty())
        setLayoutProperties(properties);
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->table->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

} // namespace pelmora::toolkit
