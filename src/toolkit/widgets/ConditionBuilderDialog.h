#pragma once

#include "toolkit/widgets/GridColumn.h"
#include "toolkit/widgets/GridFilter.h"

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;

namespace pelmora::toolkit {

// Builds a filter condition tree: groups joined with AND or OR (each may be negated), holding
// comparisons of a column with a value by = <> < <= > >=, or blank tests.
class ConditionBuilderDialog : public QDialog
{
    Q_OBJECT

public:
    ConditionBuilderDialog(const QList<GridColumn> &columns, const FilterNode &root, QWidget *parent = nullptr);

    FilterNode condition() const;
    QTreeWidget *tree() const;

    // The item of the root group, and adding parts below a group item (used by the buttons).
    QTreeWidgetItem *rootItem() const;
    QTreeWidgetItem *addCondition(QTreeWidgetItem *group, const FilterNode &condition = {});
    QTreeWidgetItem *addGroup(QTreeWidgetItem *group, const FilterNode &node = FilterNode::group(false, {}));
    void removeItem(QTreeWidgetItem *item);

private:
    QTreeWidgetItem *groupOf(QTreeWidgetItem *item) const;
    FilterNode nodeOf(QTreeWidgetItem *item) const;
    void fill(QTreeWidgetItem *group, const FilterNode &node);
    const GridColumn *columnOf(const QString &field) const;

    QList<GridColumn> m_columns;
    QTreeWidget *m_tree = nullptr;
    QTreeWidgetItem *m_root = nullptr;
};

} // namespace pelmora::toolkit
