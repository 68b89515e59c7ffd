#include "toolkit/widgets/GridCursor.h"

#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlModel.h"
#include "toolkit/widgets/GridGrouping.h"
#include "toolkit/widgets/GridViewSet.h"

namespace pelmora::toolkit
{

GridCursor::GridCursor(GridViewSet& views, GridGrouping& grouping) : m_views(views), m_grouping(grouping)
{
}

void GridCursor::setModel(QAbstractItemModel* model)
{
    m_model = model;
    // Another data set: its keys mean other records.
    m_currentKey = QVariant();
    m_lastKey = QVariant();
    m_lastRow = -2;
    watchViews();
}

// Each view reports its current cell while it is the one shown.
void GridCursor::watchViews()
{
    QItemSelectionModel* table = m_views.table->selectionModel();
    if (table != m_watchedTable.data()) {
        disconnect(m_tableWatch);
        m_watchedTable = table;
        if (table)
            m_tableWatch = connect(table, &QItemSelectionModel::currentChanged, this, [this] {
                if (!m_views.showsTree())
                    onCurrentChanged();
            });
    }
    QItemSelectionModel* tree = m_views.tree->selectionModel();
    if (tree != m_watchedTree.data()) {
        disconnect(m_treeWatch);
        m_watchedTree = tree;
        if (tree)
            m_treeWatch = connect(tree, &QItemSelectionModel::currentChanged, this, [this] {
                if (m_views.showsTree())
                    onCurrentChanged();
            });
    }
}

int GridCursor::currentRow() const
{
    const QModelIndex data = currentIndex();
    return data.isValid() ? data.row() : -1;
}

QModelIndex GridCursor::currentIndex() const
{
    const QModelIndex current = m_views.current()->currentIndex();
    if (!current.isValid() || current.model() == m_model)
        return current;
    // A record row of the grouping model: the same record in the data set, found by its key.
    SqlGroupModel* groups = m_grouping.model();
    if (!groups || !m_grouping.isRecord(current))
        return {};
    const int row = rowOfKey(groups->keyOf(current));
    return row < 0 ? QModelIndex() : m_model->index(row, current.column());
}

void GridCursor::setCurrentRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    if (m_views.showsTree()) {
        const QVariant key = keyOfRow(row);
        if (selectInTree(key))
            m_currentKey = key;
        return;
    }
    selectInTable(row, m_views.table->currentIndex().column());
}

QVariant GridCursor::keyOfRow(int row) const
{
    const SqlModel* sql = SqlModel::of(m_model);
    return sql && row >= 0 ? sql->keyOf(m_model->index(row, 0)) : QVariant();
}

int GridCursor::rowOfKey(const QVariant& key) const
{
    SqlModel* sql = SqlModel::of(m_model);
    return sql && key.isValid() ? sql->indexOfKey(key).row() : -1;
}

void GridCursor::selectInTable(int row, int column)
{
    QTableView* table = m_views.table;
    const QHeaderView* header = m_views.header;
    if (column < 0 || table->isColumnHidden(column))
        column = -1;
    for (int visual = 0; column < 0 && visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            column = header->logicalIndex(visual);
    const QModelIndex target = m_model->index(row, qMax(0, column));
    table->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->scrollTo(target);
}

bool GridCursor::selectInTree(const QVariant& key)
{
    SqlGroupModel* groups = m_grouping.model();
    if (!groups || !key.isValid())
        return false;
    const QModelIndex found = groups->indexOfKey(key);
    if (!found.isValid())
        return false;
    QTreeView* tree = m_views.tree;
    for (QModelIndex group = found.parent(); group.isValid(); group = group.parent())
        tree->expand(group);
    const QModelIndex current = tree->currentIndex();
    int column = current.isValid() && !tree->isColumnHidden(current.column()) ? current.column() : -1;
    const QHeaderView* header = m_views.treeHeader;
    for (int visual = 0; column < 0 && visual < header->count(); ++visual)
        if (!header->isSectionHidden(header->logicalIndex(visual)))
            column = header->logicalIndex(visual);
    const QModelIndex target = found.siblingAtColumn(qMax(0, column));
    tree->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree->scrollTo(target);
    return true;
}

void GridCursor::aboutToReset()
{
    const QModelIndex current = m_views.table->currentIndex();
    m_resetRow = current.row();
    m_resetColumn = current.column();
}

void GridCursor::leaveCurrent()
{
    const int row = currentRow();
    if (!m_model || row < 0)
        return;
    const int next = row + 1 < m_model->rowCount() ? row + 1 : row - 1;
    m_followingKey = next >= 0 ? keyOfRow(next) : QVariant();
}

void GridCursor::settle()
{
    watchViews();
    // The same record stays current while the grid still shows it; otherwise the first row.
    const int count = m_model ? m_model->rowCount() : 0;
    if (count == 0) {
        m_toTop = false;
        m_resetRow = -1;
        m_lastRow = -1;
        m_lastKey = QVariant();
        return;
    }
    int row = m_toTop ? 0 : rowOfKey(m_currentKey);
    if (row < 0 && !m_toTop)
        row = rowOfKey(m_followingKey);
    m_toTop = false;
    m_followingKey = QVariant();
    if (row < 0 && !keyOfRow(0).isValid() && m_resetRow >= 0)
        row = qMin(m_resetRow, count - 1); // a model without keys keeps the row's place
    if (row < 0)
        row = 0;
    m_resetRow = -1;
    const QVariant key = keyOfRow(row);
    // Nothing to stand on in the tree but its first group.
    if (m_views.showsTree() && !selectInTree(key))
        m_views.tree->setCurrentIndex(m_views.tree->model() ? m_views.tree->model()->index(0, 0) : QModelIndex());
    selectInTable(row, m_resetColumn >= 0 ? m_resetColumn : m_views.table->currentIndex().column());
    m_resetColumn = -1;
    onCurrentChanged();
}

void GridCursor::onCurrentChanged()
{
    m_views.rowHeader->viewport()->update();
    const int row = currentRow();
    const QVariant key = row >= 0 ? keyOfRow(row) : QVariant();
    if (row >= 0)
        m_currentKey = key;
    if (row == m_lastRow && key == m_lastKey)
        return;
    m_lastRow = row;
    m_lastKey = key;
    emit focusedRowChanged(row);
}

} // namespace pelmora::toolkit
