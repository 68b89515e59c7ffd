#pragma once

#include "toolkit/SqlSource.h"

#include <QAbstractItemModel>
#include <QSet>
#include <QString>
#include <QVariant>

namespace pelmora::toolkit
{

// What the flat and the grouped SQL model share, and all that views and widgets need to know
// of either: where the rows come from (SqlSource), the filter and sort that become WHERE and
// ORDER BY, the lifecycle (open, refresh, close) with its generation counter, failures
// (lastError() and error()), and records found by key.
//
// Setters of what to show take effect at the next open() or refresh(), except setFilter() and
// setSort(), which read the rows again at once while the model is open.
//
// SQL failures never pass silently: the call returns false, lastError() holds the driver's
// message and error() is emitted.
class SqlModel : public QAbstractItemModel, public SqlSource
{
    Q_OBJECT

  public:
    // The SQL model behind a view's model, or nullptr for any other model.
    static SqlModel* of(QAbstractItemModel* model);

    // The same filter written to be read in the sort's order, for when at least `from` rows
    // meet it (see SqlRowSource::inOrder); used by the flat model when an index serves the sort.
    struct FilterInOrder {
        qint64 from = 0;
        QString sqlWhere;
    };
    // A WHERE clause in SQLite SQL, without the word WHERE; empty = every row.
    bool setFilter(const QString& sqlWhere, const QList<FilterInOrder>& inOrder = {});
    QString filter() const { return m_filter; }
    // ORDER BY column, key. An empty column sorts by the key alone.
    bool setSort(const QString& column, Qt::SortOrder order = Qt::AscendingOrder);
    QString sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    void setColumnReadOnly(const QString& name, bool readOnly);
    // Read-only by the model, by name, or as the key column.
    bool isColumnReadOnly(const QString& name) const;

    void setPageSize(int rows); // default 256
    int pageSize() const { return m_pageSize; }
    void setMaxCachedPages(int pages); // default 32
    virtual int cachedPageCount() const = 0;

    bool open();    // reads what to show and the first rows
    bool refresh(); // the same as open(): drops every cached row
    void close();   // drops every cached row; no rows until open()
    bool isOpen() const { return m_open; }
    // Grows with every change that makes fetched rows stale (filter, sort, refresh, close);
    // results fetched under an older generation are dropped.
    quint64 generation() const { return m_generation; }
    QString lastError() const { return m_lastError; }

    // The key of a data row (invalid for a group row or on failure), and the data row of a key
    // (invalid when the filter hides it or it is gone).
    virtual QVariant keyOf(const QModelIndex& index) const = 0;
    virtual QModelIndex indexOfKey(const QVariant& key) = 0;

  signals:
    void error(const QString& message);

  protected:
    explicit SqlModel(QObject* parent = nullptr);

    // Forgets every row and, when keepOpen, reads what to show again; runs inside the model
    // reset that reset() announces, under a new generation.
    virtual bool reload(bool keepOpen) = 0;
    virtual void pageLimitChanged() {}
    bool reset(bool keepOpen);
    bool fail(const QString& message) const;
    // For failures met while a view reads data: the listener hears of them once control is back
    // in the event loop, and not at all if the rows went stale.
    void failLater(const QString& message) const;
    // Whether the connection is open; fails with the reason when it is not.
    bool connectionOpen() const;
    // Resolves the columns shown against the table's (with the captions); fails naming the first
    // missing one. `needed` are further columns that must exist.
    bool resolveColumns(const QStringList& needed);
    // The columns (and their captions) the model shows, without reading the table.
    void useColumns(const QStringList& columns);

    QStringList m_captions;
    QString m_filter;
    QList<FilterInOrder> m_filterInOrder;
    QString m_sortColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_readOnly = false;
    QSet<QString> m_readOnlyNames; // lower-case
    int m_pageSize = 256;
    int m_maxPages = 32;
    int m_notifying = 0; // while a reset or an insertion is being announced
    mutable QString m_lastError;

  private:
    bool m_open = false;
    quint64 m_generation = 0;
};

} // namespace pelmora::toolkit
