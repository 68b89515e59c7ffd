#pragma once

#include "toolkit/widgets/GridColumn.h"
#include "toolkit/widgets/GridFilter.h"

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;

namespace pelmora::toolkit
{

// Builds a filter condition tree: groups joined with AND or OR (each may be negated), holding
// comparisons of a column with a value by = <> < <= > >=, or blank tests. Values are typed as
// the grid shows them (dates as mm/dd/yyyy).
class ConditionBuilderDialog : public QDialog
{
    Q_OBJECT

  public:
    ConditionBuilderDialog(const QList<GridColumn>& columns, const FilterCondition& root, QWidget* parent = nullptr);

    FilterCondition condition() const;
    QTreeWidget* tree() const;

    // The item of the root group, and adding parts below a group item (used by the buttons).
    QTreeWidgetItem* rootItem() const;
    QTreeWidgetItem* addCondition(QTreeWidgetItem* group, const FilterCondition& condition = {});
    QTreeWidgetItem* addGroup(QTreeWidgetItem* group, const FilterCondition& node = FilterCondition());
    void removeItem(QTreeWidgetItem* item);

  private:
    QTreeWidgetItem* groupOf(QTreeWidgetItem* item) const;
    FilterCondition nodeOf(QTreeWidgetItem* item) const;
    const GridColumn* columnOf(const QString& field) const;

    QList<GridColumn> m_columns;
    QTreeWidget* m_tree = nullptr;
    QTreeWidgetItem* m_root = nullptr;
};

} // namespace pelmora::toolkit
