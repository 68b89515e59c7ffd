#pragma once

#include "toolkit/SqlModel.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace pelmora::toolkit
{

class SqlRowWindow;

// A windowed, editable model over one table of a named database connection.
//
// The table is never loaded whole: the row count comes from COUNT(*), rows are
// fetched in pages by row number when a view asks for them and kept in a small
// bounded cache. Moving to the next or previous page continues from the edge of
// a cached page with a keyset query; a jump to a far row uses OFFSET. Filter and
// sort become WHERE and ORDER BY (the sort always ends with the key column, so
// the order is total). For speed, the sort column should have an index on
// (column, key).
//
// Edits are posted at once: one UPDATE per cell, after which only that row is
// reported changed, so a view keeps its focus and scroll position. A row whose
// sort or filter column was edited stays where it is until the next refresh.
//
// The connection belongs to someone else. close() forgets every cached row and
// shows zero rows (call it before the connection is closed); open() or
// refresh() counts and fetches again. Filter, sort, lifecycle and failures are
// SqlModel's.
class SqlTableModel : public SqlModel
{
    Q_OBJECT

  public:
    // Replaces the plain DELETE of removeRows(): receives the keys of the rows to
    // delete, returns true when they are gone. May throw std::exception; the
    // message is reported through error().
    using DeleteHandler = std::function<bool(const QVariantList& keys)>;
    // Told around every write the model makes (a cell's post, an appended row, deleted rows), so
    // that an owner can keep the rows as they were: first Before with the rows' keys (none for
    // an insert), then Done with them (the new row's key for an insert) or Failed.
    enum class ChangeKind { Update, Insert, Delete };
    enum class ChangeStage { Before, Done, Failed };
    using ChangeHook = std::function<void(ChangeKind kind, ChangeStage stage, const QVariantList& keys)>;

    explicit SqlTableModel(QObject* parent = nullptr);
    ~SqlTableModel() override;

    void setColumnReadOnly(int column, bool readOnly);
    using SqlModel::setColumnReadOnly;
    bool isColumnReadOnly(int column) const;
    int cachedPageCount() const override;

    void setDeleteHandler(DeleteHandler handler);
    void setChangeHook(ChangeHook hook) { m_changeHook = std::move(hook); }

    // --- rows ---
    QVariant keyAt(int row) const;           // invalid when out of range or on failure
    int rowOfKey(const QVariant& key) const; // -1 when the row is not shown
    QVariantMap record(int row) const;       // shown columns by name, plus the key column
    QVariant value(int row, const QString& column) const;
    QVariant value(int row, int column) const;

    // Inserts one row (columns not named get their defaults) and returns the row
    // where it now shows, or -1 (on failure, or when the filter hides the new row:
    // tell them apart by lastInsertedKey()).
    int appendRow(const QVariantMap& values = {});
    QVariant lastInsertedKey() const;

    // The value as it is stored: QDate as yyyy-MM-dd, QTime as HH:mm:ss (.zzz when
    // the milliseconds are not zero), QDateTime as yyyy-MM-dd HH:mm:ss, bool as 0/1,
    // an invalid or null QVariant as NULL.
    static QVariant toStorage(const QVariant& value);

    QVariant keyOf(const QModelIndex& index) const override;
    QModelIndex indexOfKey(const QVariant& key) override;

    // --- QAbstractItemModel (a flat table) ---
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Posts at once: UPDATE table SET column = ? WHERE key = ?.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Rows go where the sort puts them, not at `row`: each new row is appended
    // with default values and reported at its real place.
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    // DELETE by key (or the delete handler), in one transaction.
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

  signals:
    // Emitted before the UPDATE of a cell; `value` is the value as given to setData.
    void aboutToPost(int row, int column, const QVariant& value);
    // Emitted after the UPDATE succeeded and the row was reported changed.
    void posted(int row, int column);

  protected:
    // The default calls the delete handler if one is set, otherwise deletes the
    // rows by key. Runs inside a transaction the model opens and commits.
    virtual bool deleteKeys(const QVariantList& keys);

    // One write as the change hook hears of it; writes nested in it (a subclass's post that
    // calls the base's) are part of it. Failed unless done() was called.
    class ChangeScope
    {
      public:
        ChangeScope(SqlTableModel& model, ChangeKind kind, const QVariantList& keys);
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;
        void done(const QVariantList& keys);
        void done() { done(m_keys); }

      private:
        SqlTableModel& m_model;
        ChangeKind m_kind;
        QVariantList m_keys;
        bool m_outer;
        bool m_done = false;
    };

  private:
    bool reload(bool keepOpen) override;
    bool sortHasIndex() const;
    void pageLimitChanged() override;

    QHash<QString, QVariant> m_captionOverrides; // setHeaderData, by column name
    QVariant m_lastInsertedKey;
    DeleteHandler m_deleteHandler;
    ChangeHook m_changeHook;
    int m_changeDepth = 0;
    std::unique_ptr<SqlRowWindow> m_window;
};

} // namespace pelmora::toolkit
