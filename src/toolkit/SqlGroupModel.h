#pragma once

#include "toolkit/SqlModel.h"

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

namespace pelmora::toolkit
{

class SqlRowWindow;
struct SqlPageClock;

// The rows of one table grouped by one or more of its columns, as a tree whose
// groups come from the database.
//
// The top level holds the groups of the first group column, from
// SELECT column, COUNT(*) ... GROUP BY column. A group's children (the groups of
// the next column, or the data rows under the last one) are fetched only when
// the group is opened (canFetchMore/fetchMore, which a tree view calls when it
// expands an item). Data rows are read in pages like SqlTableModel reads them,
// so a group of hundreds of thousands of rows is never loaded whole; all groups
// share one bound on cached pages. A big group reports its rows to the views in
// chunks (fetchMore again, as the view scrolls to its end), so that opening it
// costs the same as opening a small one.
//
// A group row shows "value (count)" in the first column; NULL and the empty
// text form one blank group, shown as " (count)". Data rows show their stored
// values and are edited like SqlTableModel rows: each edit is posted at once.
// With no group columns the model is a flat list of the rows. Filter, sort, lifecycle and
// failures are SqlModel's; the sort orders the data rows inside their group.
class SqlGroupModel : public SqlModel
{
    Q_OBJECT

  public:
    enum Role {
        IsGroupRole = Qt::UserRole + 1, // bool, every column
        GroupValueRole,                 // the group's value (invalid for the blank group)
        GroupCountRole,                 // the number of rows in the group
        GroupColumnRole,                // the name of the column the group is made by
        GroupLabelRole,                 // "value (count)", every column
        KeyRole,                        // the key of a data row
    };

    explicit SqlGroupModel(QObject* parent = nullptr);
    ~SqlGroupModel() override;

    // The group columns take effect at once while open.
    bool setGroupColumns(const QStringList& columns);
    QStringList groupColumns() const;
    void setGroupOrder(Qt::SortOrder order); // order of the groups, default ascending
    // Rows a group reports at a time (default kChunkRows).
    void setChunkRows(int rows);
    static constexpr int kChunkRows = 4096;
    int cachedPageCount() const override; // over all groups

    bool isGroup(const QModelIndex& index) const;
    // The data row of a record, its groups read and opened on the way (invalid when the
    // filter hides the record or it is gone).
    QModelIndex indexOfKey(const QVariant& key) override;
    QVariant keyOf(const QModelIndex& index) const override { return keyAt(index); }
    QVariant keyAt(const QModelIndex& index) const;     // invalid for group rows
    QVariantMap record(const QModelIndex& index) const; // empty for group rows
    QVariant value(const QModelIndex& index, const QString& column) const;

    // --- QAbstractItemModel ---
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  signals:
    void aboutToPost(const QModelIndex& index, const QVariant& value);
    void posted(const QModelIndex& index);

  private:
    struct Node;

    bool reload(bool keepOpen) override;
    void pageLimitChanged() override { trimPages(); }
    bool openRoot();
    bool countRows(Node* node);
    bool isLeaf(const Node* node) const;
    bool readGroupValues(const QVariant& key, QVariantList& values) const;
    Node* openedGroupOf(Node* node, const QVariant& value);
    Node* parentNode(const QModelIndex& index) const;
    Node* groupNode(const QModelIndex& index) const; // nullptr for data rows
    QModelIndex indexOf(const Node* node) const;
    bool fetchGroups(Node* node, std::vector<std::unique_ptr<Node>>& groups);
    void openRows(Node* node);
    void showRows(Node* node, const QModelIndex& parent, int upTo);
    void pathConditions(const Node* node, QStringList& conditions, QVariantList& values) const;
    QVariant rowValue(const QModelIndex& index, int column) const;
    void trimPages() const;
    QString groupLabel(const Node* node) const;

    QStringList m_groupColumns;
    Qt::SortOrder m_groupOrder = Qt::AscendingOrder;
    int m_chunkRows = kChunkRows;
    std::shared_ptr<SqlPageClock> m_clock; // shared by the windows of the open groups
    std::unique_ptr<Node> m_root;
    std::vector<Node*> m_openLeaves; // groups whose rows are paged
};

} // namespace pelmora::toolkit
