#include "toolkit/widgets/GridColumnLayout.h"

#include "toolkit/SqlModel.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/GridViewSet.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace pelmora::toolkit
{

namespace
{
// The share of a column the grid knows nothing about.
constexpr int kUndescribedShare = 100;
} // namespace

GridColumnLayout::GridColumnLayout(GridViewSet& views, QWidget* grid)
    : m_views(views), m_grid(grid), m_viewport(views.table->viewport())
{
    m_views.rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    m_views.rowHeader->setDefaultSectionSize(m_rowHeight);
    m_views.rowHeader->setMinimumSectionSize(8);
    m_views.header->setSectionResizeMode(QHeaderView::Interactive);
    m_views.header->setStretchLastSection(false);
    for (CellEditorDelegate* delegate : {m_views.delegate, m_views.treeDelegate})
        delegate->setRowHeight(m_rowHeight);
    for (GridHeaderView* header : {m_views.header, m_views.treeHeader})
        header->setFieldNameOf([this](int logical) { return fieldAt(logical); });
    connect(m_views.header, &QHeaderView::sectionResized, this, &GridColumnLayout::onSectionResized);
    m_views.table->viewport()->installEventFilter(this);
}

void GridColumnLayout::setModel(QAbstractItemModel* model)
{
    m_model = model;
    m_fieldNames.clear();
    apply();
}

// --- descriptions and the model's columns ---

void GridColumnLayout::setColumns(const QList<GridColumn>& columns)
{
    m_columns = columns;
    m_definedWidths.clear();
    for (const GridColumn& c : columns)
        m_definedWidths.insert(c.field.toLower(), c.width);
    apply();
}

QList<GridColumn> GridColumnLayout::list() const
{
    QList<GridColumn> out = m_columns;
    // Widths and visibility as the merchant left them.
    for (GridColumn& c : out) {
        const int at = modelColumn(c.field);
        if (at < 0)
            continue;
        c.visible = !m_views.table->isColumnHidden(at);
        if (c.visible && !m_autoWidth)
            c.width = m_views.table->columnWidth(at);
    }
    return out;
}

const GridColumn* GridColumnLayout::column(const QString& field) const
{
    for (const GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const GridColumn* GridColumnLayout::describe(int modelColumn) const
{
    const int at = m_descriptionOf.value(modelColumn, -1);
    return at < 0 ? nullptr : &m_columns[at];
}

GridColumn GridColumnLayout::describeField(const QString& field) const
{
    if (const GridColumn* c = column(field))
        return *c;
    GridColumn plain;
    plain.field = field;
    return plain;
}

int GridColumnLayout::modelColumn(const QString& field) const
{
    return m_modelColumnOf.value(field.toLower(), -1);
}

QString GridColumnLayout::fieldAt(int modelColumn) const
{
    return m_fieldNames.value(modelColumn);
}

QString GridColumnLayout::readFieldName(int modelColumn) const
{
    if (const SqlModel* sql = SqlModel::of(m_model))
        return sql->columnName(modelColumn);
    // Other models name their columns in the header, where the grid later puts captions.
    const QString name = m_model->headerData(modelColumn, Qt::Horizontal, Qt::EditRole).toString();
    const QString previous = m_fieldNames.value(modelColumn);
    if (!previous.isEmpty())
        if (const GridColumn* c = column(previous); c && c->title() == name)
            return previous;
    return name;
}

void GridColumnLayout::rebuildMap()
{
    m_modelColumnOf.clear();
    m_descriptionOf.clear();
    if (!m_model) {
        m_fieldNames.clear();
        return;
    }
    const int count = m_model->columnCount();
    QStringList names;
    for (int c = 0; c < count; ++c)
        names << readFieldName(c);
    m_fieldNames = names;
    m_descriptionOf.fill(-1, count);
    for (int c = 0; c < count; ++c) {
        const QString& field = names[c];
        m_modelColumnOf.insert(field.toLower(), c);
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
                m_descriptionOf[c] = i;
    }
}

void GridColumnLayout::apply()
{
    rebuildMap();
    if (!m_model)
        return;
    QTableView* table = m_views.table;
    QHeaderView* header = m_views.header;
    const QSignalBlocker block(header);
    const int count = m_model->columnCount();
    // Undescribed columns are hidden once the grid has a column list.
    for (int c = 0; c < count; ++c) {
        const int at = m_descriptionOf[c];
        if (at < 0) {
            table->setColumnHidden(c, !m_columns.isEmpty());
            continue;
        }
        const GridColumn& column = m_columns[at];
        table->setColumnHidden(c, !column.visible);
        table->setColumnWidth(c, column.width);
        m_model->setHeaderData(c, Qt::Horizontal, column.title(), Qt::DisplayRole);
    }
    // The described columns come first, in the order described.
    int visual = 0;
    for (const GridColumn& column : std::as_const(m_columns)) {
        const int logical = modelColumn(column.field);
        if (logical < 0)
            continue;
        const int from = header->visualIndex(logical);
        if (from != visual)
            header->moveSection(from, visual);
        ++visual;
    }
    fit();
    table->viewport()->update();
    header->viewport()->update();
}

// --- visibility, order and widths ---

void GridColumnLayout::setVisible(const QString& field, bool visible)
{
    for (GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.visible = visible;
    const int at = modelColumn(field);
    if (at < 0)
        return;
    m_views.table->setColumnHidden(at, !visible);
    m_views.tree->setColumnHidden(at, !visible);
    placeTreeDecoration();
    fit();
}

bool GridColumnLayout::isVisible(const QString& field) const
{
    const int at = modelColumn(field);
    return at >= 0 && !m_views.table->isColumnHidden(at);
}

void GridColumnLayout::hideAll()
{
    for (GridColumn& c : m_columns)
        c.visible = false;
    if (!m_model)
        return;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_views.table->setColumnHidden(c, true);
        m_views.tree->setColumnHidden(c, true);
    }
}

QStringList GridColumnLayout::visibleFields() const
{
    QStringList out;
    if (!m_model)
        return out;
    const QHeaderView* header = m_views.header;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            out << fieldAt(logical);
    }
    return out;
}

void GridColumnLayout::setWidth(const QString& field, int width)
{
    for (GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.width = width;
    const int at = modelColumn(field);
    if (at < 0)
        return;
    if (m_autoWidth) {
        fit();
        return;
    }
    m_views.table->setColumnWidth(at, width);
    widthInTree(at, width);
}

int GridColumnLayout::width(const QString& field) const
{
    const int at = modelColumn(field);
    return at < 0 ? 0 : m_views.table->columnWidth(at);
}

void GridColumnLayout::restoreWidths()
{
    for (GridColumn& c : m_columns)
        c.width = m_definedWidths.value(c.field.toLower(), c.width);
    if (m_autoWidth)
        fit();
    else
        showWidths();
}

void GridColumnLayout::showWidths()
{
    for (const GridColumn& c : std::as_const(m_columns)) {
        const int at = modelColumn(c.field);
        if (at >= 0) {
            m_views.table->setColumnWidth(at, c.width);
            widthInTree(at, c.width);
        }
    }
}

void GridColumnLayout::setMovingAllowed(bool allowed)
{
    m_views.header->setSectionsMovable(allowed);
}

void GridColumnLayout::copyToTree(int levels)
{
    m_treeLevels = levels;
    QHeaderView* treeHeader = m_views.treeHeader;
    const QHeaderView* header = m_views.header;
    treeHeader->setSectionsMovable(true);
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        const int from = treeHeader->visualIndex(logical);
        if (from != visual)
            treeHeader->moveSection(from, visual);
        m_views.tree->setColumnHidden(logical, header->isSectionHidden(logical));
    }
    placeTreeDecoration();
}

void GridColumnLayout::placeTreeDecoration()
{
    // The expand buttons sit in the first column shown (the model's first is often hidden).
    const QHeaderView* header = m_views.treeHeader;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) {
            m_views.tree->setTreePosition(logical);
            break;
        }
    }
    for (int logical = 0; logical < m_views.header->count(); ++logical)
        if (!m_views.header->isSectionHidden(logical))
            widthInTree(logical, m_views.header->sectionSize(logical));
}

// The column with the expand buttons is wider by the indentation of the orders' rows (one step
// for each level of groups, and one for the buttons of the outer groups), so that its values
// have as much room as in the table.
void GridColumnLayout::widthInTree(int logical, int width)
{
    QTreeView* tree = m_views.tree;
    const int steps = m_treeLevels + (tree->rootIsDecorated() ? 1 : 0);
    const int indentation = logical == tree->treePosition() ? steps * tree->indentation() : 0;
    tree->setColumnWidth(logical, width + indentation);
}

// --- auto-width and fitting ---

void GridColumnLayout::setAutoWidth(bool on)
{
    if (m_autoWidth == on)
        return;
    m_autoWidth = on;
    m_views.table->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    // The columns' own widths stay what they were while fitted: leaving auto-width gives them back.
    if (on)
        fit();
    else
        showWidths();
    emit autoWidthChanged(on);
}

int GridColumnLayout::share(int modelColumn) const
{
    const int at = m_descriptionOf.value(modelColumn, -1);
    return at >= 0 ? qMax(1, m_columns[at].width) : kUndescribedShare;
}

void GridColumnLayout::fit()
{
    if (!m_autoWidth || !m_model || m_fitting)
        return;
    m_fitting = true;
    QTableView* table = m_views.table;
    const int available = table->viewport()->width();
    QList<int> shown;
    int total = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        if (table->isColumnHidden(c))
            continue;
        shown << c;
        total += share(c);
    }
    int used = 0;
    for (int i = 0; i < shown.size(); ++i) {
        const int c = shown[i];
        // The last column takes what rounding left over.
        const int width = i + 1 == shown.size() ? available - used : int(qint64(available) * share(c) / qMax(1, total));
        table->setColumnWidth(c, qMax(m_views.header->minimumSectionSize(), width));
        used += width;
    }
    m_fitting = false;
}

void GridColumnLayout::onSectionResized(int logical, int oldSize, int newSize)
{
    if (newSize > 0)
        widthInTree(logical, newSize);
    // Showing or hiding a column resizes it from or to nothing: that is no merchant's width.
    if (m_fitting || !m_autoWidth || oldSize == 0 || newSize == 0 || m_views.header->isSectionHidden(logical))
        return;
    // In auto-width the merchant's new width becomes that column's share.
    const int at = m_descriptionOf.value(logical, -1);
    if (at < 0)
        return;
    int total = 0;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (!m_views.table->isColumnHidden(c))
            total += share(c);
    const int available = qMax(1, m_views.table->viewport()->width());
    m_columns[at].width = qMax(1, int(qint64(newSize) * total / available));
    fit();
}

void GridColumnLayout::autoSize(const QString& field)
{
    const int logical = modelColumn(field);
    if (logical < 0 || !m_model)
        return;
    // The caption, and the rows in view only.
    int width = m_views.header->sectionSizeHint(logical);
    QAbstractItemView* view = m_views.current();
    CellEditorDelegate* delegate = m_views.showsTree() ? m_views.treeDelegate : m_views.delegate;
    const QModelIndex top = view->indexAt(QPoint(1, 1));
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    if (top.isValid()) {
        const int bottom = view->viewport()->height();
        for (QModelIndex index = top; index.isValid() && view->visualRect(index).top() < bottom;) {
            const QModelIndex cell = index.siblingAtColumn(logical);
            width = qMax(width, delegate->sizeHint(option, cell).width() + 4);
            if (m_views.showsTree())
                index = m_views.tree->indexBelow(index);
            else
                index = index.sibling(index.row() + 1, index.column());
        }
    }
    for (GridColumn& c : m_columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.width = width;
    if (m_autoWidth)
        fit();
    else
        m_views.table->setColumnWidth(logical, width);
}

bool GridColumnLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewport && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

// --- rows ---

void GridColumnLayout::setRowHeight(int pixels)
{
    m_rowHeight = qMax(8, pixels);
    for (CellEditorDelegate* delegate : {m_views.delegate, m_views.treeDelegate})
        delegate->setRowHeight(m_rowHeight);
    // Changing the default size reports every row resized; over a million rows that is
    // slow, and the view only needs to lay itself out again.
    {
        const QSignalBlocker block(m_views.rowHeader);
        m_views.rowHeader->setDefaultSectionSize(m_rowHeight);
    }
    m_views.table->doItemsLayout();
    m_views.table->viewport()->update();
}

void GridColumnLayout::setRowResizingAllowed(bool allowed)
{
    m_views.rowHeader->setSectionResizeMode(allowed ? QHeaderView::Interactive : QHeaderView::Fixed);
}

// --- layout properties ---

void GridColumnLayout::setLayoutProperties(const QVariantMap& properties)
{
    if (properties.contains(QStringLiteral("RowHeight")))
        setRowHeight(properties.value(QStringLiteral("RowHeight")).toInt());
    QList<QPair<int, QString>> order;
    for (GridColumn& c : m_columns) {
        const QString prefix = QStringLiteral("Column.") + c.field + u'.';
        if (properties.contains(prefix + QStringLiteral("Visible")))
            c.visible = properties.value(prefix + QStringLiteral("Visible")).toBool();
        if (properties.contains(prefix + QStringLiteral("Width")))
            c.width = qMax(1, properties.value(prefix + QStringLiteral("Width")).toInt());
        if (properties.contains(prefix + QStringLiteral("Index")))
            order << qMakePair(properties.value(prefix + QStringLiteral("Index")).toInt(), c.field);
    }
    // A stored order rearranges the described columns.
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<GridColumn> sorted;
    for (const auto& entry : std::as_const(order))
        if (const GridColumn* c = column(entry.second))
            sorted << *c;
    for (const GridColumn& c : std::as_const(m_columns))
        if (!std::any_of(sorted.cbegin(), sorted.cend(), [&](const GridColumn& s) { return s.field == c.field; }))
            sorted << c;
    m_columns = sorted;
    if (properties.contains(QStringLiteral("AutoWidth")))
        m_autoWidth = properties.value(QStringLiteral("AutoWidth")).toBool();
    m_views.table->setHorizontalScrollBarPolicy(m_autoWidth ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (properties.contains(QStringLiteral("Width")) && properties.contains(QStringLiteral("Height")) &&
        !m_grid->parentWidget())
        m_grid->setGeometry(
            properties.value(QStringLiteral("Left")).toInt(), properties.value(QStringLiteral("Top")).toInt(),
            properties.value(QStringLiteral("Width")).toInt(), properties.value(QStringLiteral("Height")).toInt());
    apply();
}

} // namespace pelmora::toolkit
