#include "toolkit/widgets/DataGridPrivate.h"

#include "toolkit/SqlTableModel.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace pelmora::toolkit
{

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("dataGrid"));
    d->layout = new QVBoxLayout(this);
    d->layout->setContentsMargins(0, 0, 0, 0);
    d->layout->setSpacing(0);

    d->delegate = new CellEditorDelegate(this);
    d->treeDelegate = new CellEditorDelegate(this);
    for (CellEditorDelegate* delegate : {d->delegate, d->treeDelegate}) {
        delegate->setColumnResolver([this](const QModelIndex& index) { return describe(index); });
        delegate->setEditGuard([this](const QModelIndex& index) {
            if (d->readOnly)
                return false;
            return !d->editingStart || d->editingStart(toDataIndex(index));
        });
        delegate->setRowHeight(d->rowHeight);
        connect(delegate, &CellEditorDelegate::valueChanged, this,
                [this](const QModelIndex& index, const QVariant& value) {
                    const QModelIndex data = toDataIndex(index);
                    emit editorValueChanged(fieldAt(data.column()), data, value);
                });
        connect(delegate, &CellEditorDelegate::linkActivated, this, [this](const QModelIndex& index) {
            const QModelIndex data = toDataIndex(index);
            emit linkActivated(fieldAt(data.column()), data);
        });
    }

    d->stack = new QStackedWidget(this);
    d->table = new EditingView<QTableView>(d->stack);
    d->table->setObjectName(QStringLiteral("gridView"));
    d->header = new GridHeaderView(d->table);
    d->table->setHorizontalHeader(d->header);
    d->rowHeader = new RowIndicatorHeader(d->table);
    d->table->setVerticalHeader(d->rowHeader);
    d->table->setCellDelegate(d->delegate);
    d->table->setClickToFocus(true);
    d->table->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->table->setSelectionMode(QAbstractItemView::SingleSelection);
    d->table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked);
    d->table->setWordWrap(false);
    d->table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    d->rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    d->rowHeader->setDefaultSectionSize(d->rowHeight);
    d->rowHeader->setMinimumSectionSize(8);
    d->header->setSectionResizeMode(QHeaderView::Interactive);
    d->header->setStretchLastSection(false);
    d->table->viewport()->installEventFilter(this);
    d->table->installEventFilter(this);
    connect(d->header, &QHeaderView::sectionResized, this, &DataGrid::onSectionResized);
    d->stack->addWidget(d->table);

    d->tree = new EditingView<QTreeView>(d->stack);
    d->tree->setObjectName(QStringLiteral("groupView"));
    d->treeHeader = new GridHeaderView(d->tree);
    d->treeHeader->setObjectName(QStringLiteral("groupHeader"));
    d->tree->setHeader(d->treeHeader);
    for (GridHeaderView* header : {d->header, d->treeHeader}) {
        header->setFieldNameOf([this](int logical) { return fieldAt(logical); });
        header->setFilterableTest([this](int logical) {
            const int at = logical < d->descriptionOf.size() ? d->descriptionOf[logical] : -1;
            return at < 0 || d->columns[at].filterable;
        });
        connect(header, &QWidget::customContextMenuRequested, this,
                [this, header](const QPoint& pos) { onHeaderMenu(header, pos); });
        connect(header, &GridHeaderView::filterButtonClicked, this,
                [this](int logical, const QRect&) { showHeaderFilter(fieldAt(logical)); });
    }
    d->tree->setCellDelegate(d->treeDelegate);
    d->tree->setClickToFocus(true);
    d->tree->setUniformRowHeights(true);
    d->tree->installEventFilter(this);
    d->tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->tree->setEditTriggers(d->table->editTriggers());
    // A group's rows are read as it opens, even while the tree still waits to lay itself out.
    connect(d->tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (QAbstractItemModel* model = d->tree->model(); model && model->canFetchMore(index))
            model->fetchMore(index);
    });
    d->stack->addWidget(d->tree);

    d->groupBox = new GroupByBox(this);
    d->groupBox->setVisible(false);
    connect(d->groupBox, &GroupByBox::columnDropped, this,
            [this](const QString& field, int level) { groupByColumn(field, level); });
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
    for (const auto& c : std::as_const(d->modelConnections))
        disconnect(c);
    for (CellEditorDelegate* delegate : {d->delegate, d->treeDelegate}) {
        delegate->setColumnResolver({});
        delegate->setEditGuard({});
        delegate->setStyleCallback({});
    }
    d->table->viewport()->removeEventFilter(this);
    d->table->removeEventFilter(this);
    d->tree->removeEventFilter(this);
    delete d->stack;
    d->stack = nullptr;
    d->table = nullptr;
    d->tree = nullptr;
}

// --- data and columns ---

void DataGrid::setModel(QAbstractItemModel* model)
{
    for (const auto& c : std::as_const(d->modelConnections))
        disconnect(c);
    d->modelConnections.clear();
    d->model = model;
    d->fieldNames.clear();
    d->table->setModel(model);
    d->navigator->setView(d->table);
    QString connection;
    if (auto* sql = qobject_cast<SqlTableModel*>(model))
        connection = sql->connectionName();
    else if (auto* table = qobject_cast<QSqlTableModel*>(model))
        connection = table->database().connectionName();
    d->delegate->setLookupConnectionName(connection);
    d->treeDelegate->setLookupConnectionName(connection);
    // Another data set: its keys mean other records.
    d->currentKey = QVariant();
    d->lastFocusedKey = QVariant();
    d->lastFocusedRow = -2;
    if (model) {
        d->modelConnections << connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
            const QModelIndex current = d->table->currentIndex();
            d->resetRow = current.row();
            d->resetColumn = current.column();
        }) << connect(model, &QAbstractItemModel::modelReset, this, [this] {
            applyColumns();
            settleCurrent();
        }) << connect(model, &QAbstractItemModel::columnsInserted, this, [this] {
            applyColumns();
        }) << connect(model, &QAbstractItemModel::columnsRemoved, this, [this] { applyColumns(); });
        connect(d->table->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
            if (currentView() == d->table)
                onCurrentChanged();
        });
    }
    applyColumns();
}

QAbstractItemModel* DataGrid::model() const
{
    return d->model;
}

void DataGrid::setColumns(const QList<GridColumn>& columns)
{
    d->columns = columns;
    d->definedWidths.clear();
    for (const GridColumn& c : columns)
        d->definedWidths.insert(c.field.toLower(), c.width);
    applyColumns();
}

QList<GridColumn> DataGrid::columns() const
{
    QList<GridColumn> out = d->columns;
    // Widths and visibility as the merchant left them.
    for (GridColumn& c : out) {
        const int at = modelColumn(c.field);
        if (at < 0)
            continue;
        c.visible = !d->table->isColumnHidden(at);
        if (c.visible && !d->autoWidth)
            c.width = d->table->columnWidth(at);
    }
    return out;
}

const GridColumn* DataGrid::column(const QString& field) const
{
    for (const GridColumn& c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

int DataGrid::modelColumn(const QString& field) const
{
    return d->modelColumnOf.value(field.toLower(), -1);
}

QString DataGrid::fieldAt(int modelColumn) const
{
    return d->fieldNames.value(modelColumn);
}

QString DataGrid::readFieldName(int modelColumn) const
{
    if (auto* sql = qobject_cast<SqlTableModel*>(d->model.data()))
        return sql->columnName(modelColumn);
    if (auto* query = qobject_cast<QSqlQueryModel*>(d->model.data()))
        return query->record().fieldName(modelColumn);
    // Other models name their columns in the header, where the grid later puts captions.
    const QString name = d->model->headerData(modelColumn, Qt::Horizontal, Qt::EditRole).toString();
    const QString previous = d->fieldNames.value(modelColumn);
    if (!previous.isEmpty())
        if (const GridColumn* c = column(previous); c && c->title() == name)
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
        const QString& field = names[c];
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
        const GridColumn& column = d->columns[at];
        d->table->setColumnHidden(c, !column.visible);
        d->table->setColumnWidth(c, column.width);
        d->model->setHeaderData(c, Qt::Horizontal, column.title(), Qt::DisplayRole);
    }
    // The described columns come first, in the order described.
    int visual = 0;
    for (const GridColumn& column : std::as_const(d->columns)) {
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

void DataGrid::setColumnVisible(const QString& field, bool visible)
{
    for (GridColumn& c : d->columns)
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

bool DataGrid::isColumnVisible(const QString& field) const
{
    const int at = modelColumn(field);
    return at >= 0 && !d->table->isColumnHidden(at);
}

void DataGrid::setColumnWidth(const QString& field, int width)
{
    for (GridColumn& c : d->columns)
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

int DataGrid::columnWidth(const QString& field) const
{
    const int at = modelColumn(field);
    return at < 0 ? 0 : d->table->columnWidth(at);
}

void DataGrid::hideAllColumns()
{
    for (GridColumn& c : d->columns)
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

const GridColumn* DataGrid::describe(const QModelIndex& index) const
{
    const QModelIndex data = toDataIndex(index);
    if (!data.isValid() || data.column() >= d->descriptionOf.size())
        return nullptr;
    const int at = d->descriptionOf[data.column()];
    return at < 0 ? nullptr : &d->columns[at];
}

QModelIndex DataGrid::toDataIndex(const QModelIndex& viewIndex) const
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

QTableView* DataGrid::tableView() const
{
    return d->table;
}

QTreeView* DataGrid::groupView() const
{
    return d->tree;
}

QAbstractItemView* DataGrid::currentView() const
{
    return d->stack->currentWidget() == d->tree ? static_cast<QAbstractItemView*>(d->tree)
                                                : static_cast<QAbstractItemView*>(d->table);
}

CellEditorDelegate* DataGrid::delegate() const
{
    return d->delegate;
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

void DataGrid::setNavigatorVisible(bool visible)
{
    d->navigator->setVisible(visible);
}

bool DataGrid::isNavigatorVisible() const
{
    return !d->navigator->isHidden();
}

void DataGrid::setNavigatorButtons(const QList<RecordNavigator::Button>& buttons)
{
    d->navigator->setButtons(buttons);
}

// --- behaviour ---

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
    d->delegate->setStyleCallback(style);
    d->treeDelegate->setStyleCallback(style);
    d->table->viewport()->update();
    d->tree->viewport()->update();
}

void DataGrid::setEditingStartCallback(EditingStartCallback callback)
{
    d->editingStart = std::move(callback);
}

void DataGrid::setSelectionBackground(const QColor& color)
{
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(d->table), static_cast<QAbstractItemView*>(d->tree)}) {
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
    d->treeDelegate->setRowHeight(d->rowHeight);
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

// --- current row ---

int DataGrid::currentRow() const
{
    const QModelIndex data = currentIndex();
    return data.isValid() ? data.row() : -1;
}

void DataGrid::setCurrentRow(int row)
{
    if (!d->model || row < 0 || row >= d->model->rowCount())
        return;
    if (currentView() == d->tree) {
        // The record inside its group, opened for it.
        if (!selectInTree(keyOfRow(row)))
            return;
        d->currentKey = keyOfRow(row);
        return;
    }
    selectInTable(row, d->table->currentIndex().column());
}

QModelIndex DataGrid::currentIndex() const
{
    const QModelIndex current = currentView()->currentIndex();
    if (!current.isValid() || current.model() == d->model)
        return current;
    // A record row of the grouping model: the same record in the data set, found by its key.
    if (!d->groupModel || d->groupModel->isGroup(current))
        return {};
    const int row = rowOfKey(d->groupModel->keyAt(current));
    return row < 0 ? QModelIndex() : d->model->index(row, current.column());
}

QVariant DataGrid::keyOfRow(int row) const
{
    auto* sql = qobject_cast<SqlTableModel*>(d->model.data());
    return sql && row >= 0 ? sql->keyAt(row) : QVariant();
}

int DataGrid::rowOfKey(const QVariant& key) const
{
    auto* sql = qobject_cast<SqlTableModel*>(d->model.data());
    return sql && key.isValid() ? sql->rowOfKey(key) : -1;
}

void DataGrid::selectInTable(int row, int column)
{
    if (column < 0 || d->table->isColumnHidden(column))
        column = -1;
    for (int visual = 0; column < 0 && visual < d->header->count(); ++visual)
        if (!d->header->isSectionHidden(d->header->logicalIndex(visual)))
            column = d->header->logicalIndex(visual);
    const QModelIndex target = d->model->index(row, qMax(0, column));
    d->table->selectionModel()->setCurrentIndex(target,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    d->table->scrollTo(target);
}

bool DataGrid::selectInTree(const QVariant& key)
{
    if (!d->groupModel || !key.isValid())
        return false;
    const QModelIndex found = d->groupModel->indexOfKey(key);
    if (!found.isValid())
        return false;
    for (QModelIndex group = found.parent(); group.isValid(); group = group.parent())
        d->tree->expand(group);
    const QModelIndex current = d->tree->currentIndex();
    int column = current.isValid() && !d->tree->isColumnHidden(current.column()) ? current.column() : -1;
    QHeaderView* header = d->tree->header();
    for (int visual = 0; column < 0 && visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            column = header->logicalIndex(visual);
    const QModelIndex target = found.siblingAtColumn(qMax(0, column));
    d->tree->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    d->tree->scrollTo(target);
    return true;
}

void DataGrid::settleCurrent()
{
    // The same record stays current while the grid still shows it; otherwise the first row.
    const int count = d->model ? d->model->rowCount() : 0;
    if (count == 0) {
        d->resetRow = -1;
        d->lastFocusedRow = -1;
        d->lastFocusedKey = QVariant();
        return;
    }
    int row = rowOfKey(d->currentKey);
    if (row < 0 && !keyOfRow(0).isValid() && d->resetRow >= 0)
        row = qMin(d->resetRow, count - 1); // a model without keys keeps the row's place
    if (row < 0)
        row = 0;
    d->resetRow = -1;
    const QVariant key = keyOfRow(row);
    if (currentView() == d->tree) {
        if (!selectInTree(key)) {
            // Nothing to stand on but the first group.
            d->tree->setCurrentIndex(d->tree->model() ? d->tree->model()->index(0, 0) : QModelIndex());
        }
    }
    selectInTable(row, d->resetColumn >= 0 ? d->resetColumn : d->table->currentIndex().column());
    d->resetColumn = -1;
    onCurrentChanged();
}

void DataGrid::onCurrentChanged()
{
    d->rowHeader->viewport()->update();
    const int row = currentRow();
    const QVariant key = row >= 0 ? keyOfRow(row) : QVariant();
    if (row >= 0)
        d->currentKey = key;
    if (row == d->lastFocusedRow && key == d->lastFocusedKey)
        return;
    d->lastFocusedRow = row;
    d->lastFocusedKey = key;
    emit focusedRowChanged(row);
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (!d->stack)
        return QWidget::eventFilter(watched, event);
    if (watched == d->table->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    // The navigator's keys: Insert appends, Ctrl+Delete deletes (when the grid shows them).
    if ((watched == d->table || watched == d->tree) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QList<RecordNavigator::Button> shown = d->navigator->buttons();
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier &&
            shown.contains(RecordNavigator::Insert)) {
            d->navigator->trigger(RecordNavigator::Insert);
            return true;
        }
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier &&
            shown.contains(RecordNavigator::Delete)) {
            d->navigator->trigger(RecordNavigator::Delete);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pelmora::toolkit
