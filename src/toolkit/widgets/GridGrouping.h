#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

#include <memory>

class QAbstractItemModel;
class QMenu;
class QModelIndex;

namespace pelmora::toolkit
{

class GridColumnLayout;
class GroupByBox;
class SqlGroupModel;
struct GridViewSet;

// Grouping of a grid's rows by one or more columns: the group-by box (columns dropped on it,
// chips that ungroup), and, while grouped, a tree of groups read from the data set's table
// (SqlGroupModel) shown instead of the table, with the same columns, filter and sort. Only a
// SQL model can be grouped; other models stay flat.
class GridGrouping : public QObject
{
    Q_OBJECT

  public:
    GridGrouping(GridColumnLayout& columns, GridViewSet& views, GroupByBox* box);
    ~GridGrouping() override;

    void setModel(QAbstractItemModel* model);

    // Column grouping allowed (drags into the box, the column menu's entries).
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setBoxVisible(bool visible);
    bool isBoxVisible() const;

    void setGroupedColumns(const QStringList& fields);
    QStringList groupedColumns() const { return m_grouped; }
    void groupBy(const QString& field, int level = -1);
    void ungroup(const QString& field);
    void ungroupAll();
    void expandAll();
    void collapseAll();

    // The grouping model while grouped (nullptr otherwise), and whether an index is one of its
    // record rows (same columns as the data model).
    SqlGroupModel* model() const;
    bool isRecord(const QModelIndex& index) const;
    // Reads the groups again (after the data set's filter changed).
    void refresh();
    // The records inside their groups in another order; the groups open stay open.
    void sortRows(const QString& column, Qt::SortOrder order);
    // The column menu's grouping entries.
    void extendMenu(QMenu* menu, const QString& field);

  signals:
    // The grid now shows the table or the tree, or the tree anew.
    void viewChanged();
    void groupingChanged(const QStringList& fields);

  private:
    void rebuild();
    void fetchInView();
    bool prepareModel();
    QList<QVariantList> openGroups() const;
    void reopenGroups(const QList<QVariantList>& open);
    void showTable();

    GridColumnLayout& m_columns;
    GridViewSet& m_views;
    GroupByBox* m_box;
    QPointer<QAbstractItemModel> m_model;
    std::unique_ptr<SqlGroupModel> m_groupModel;
    QStringList m_grouped;
    bool m_enabled = false;
};

} // namespace pelmora::toolkit
