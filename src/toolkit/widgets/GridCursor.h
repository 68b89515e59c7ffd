#pragma once

#include <QMetaObject>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QVariant>

class QAbstractItemModel;

namespace pelmora::toolkit
{

class GridGrouping;
struct GridViewSet;

// The current record of a grid, one fact through every change of the view: when the rows are
// read again (a filter, a refresh) or the grid switches between the table and the grouped tree,
// the same record stays current while the grid still shows it, otherwise the first row becomes
// current. Records are told apart by the SQL model's key (a model without keys keeps the row's
// place). Reports every change of the focused record.
class GridCursor : public QObject
{
    Q_OBJECT

  public:
    GridCursor(GridViewSet& views, GridGrouping& grouping);

    void setModel(QAbstractItemModel* model);

    // The data model's row (-1 on a group row or none), and an index of the data model.
    int currentRow() const;
    QModelIndex currentIndex() const;
    // Makes a row current; while grouped, the record inside its group, opened for it.
    void setCurrentRow(int row);

    // The rows or the view changed: stand on the current record again, or on the first row.
    void aboutToReset();
    // The next time the rows are read, stand on the first row (the rows were sorted anew: the
    // merchant looks at the top, and finding the record's new place would cost a pass over
    // every row).
    void startAtTop() { m_toTop = true; }
    // The current record may be about to go (deleted): if it is gone the next time the rows
    // are read, stand on the record that followed it (the one before it when it was the last)
    // rather than on the first row.
    void leaveCurrent();
    void settle();

  signals:
    void focusedRowChanged(int row);

  private:
    void watchViews();
    void onCurrentChanged();
    void selectInTable(int row, int column);
    bool selectInTree(const QVariant& key);
    QVariant keyOfRow(int row) const;
    int rowOfKey(const QVariant& key) const;

    GridViewSet& m_views;
    GridGrouping& m_grouping;
    QPointer<QAbstractItemModel> m_model;
    QMetaObject::Connection m_tableWatch;
    QMetaObject::Connection m_treeWatch;
    QPointer<QObject> m_watchedTable;
    QPointer<QObject> m_watchedTree;
    QVariant m_currentKey; // the current record
    int m_lastRow = -2;    // as last reported
    QVariant m_lastKey;
    int m_resetRow = -1; // where the table stood before its model was reset
    int m_resetColumn = -1;
    bool m_toTop = false;
    QVariant m_followingKey; // where to stand once the current record is gone
};

} // namespace pelmora::toolkit
