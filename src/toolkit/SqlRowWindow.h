#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>
#include <optional>

class QSqlQuery;

namespace pelmora::toolkit
{

// What a row window reads: one table, the rows that meet every condition, in
// the order of the sort column and then the key column.
struct SqlRowSource {
    QString connectionName;
    QString table;
    QString keyColumn = QStringLiteral("rowid");
    QStringList columns; // the value columns, in order
    QString sortColumn;  // empty: by the key alone
    Qt::SortOrder order = Qt::AscendingOrder;
    QStringList conditions;       // SQL pieces joined with AND; may hold ? placeholders
    QVariantList conditionValues; // bound to those placeholders, in order

    // Equivalents of the conditions (without bound values) that serve reading rows in the
    // sort's order when many rows meet them: walking the sort's index, a page is full after a
    // few rows instead of once every row was gathered and sorted. Each serves from a count of
    // rows up; pages read next to a cached page, and pages near either end, use the last one
    // the count reaches. Counts, positions and jumps deep inside keep to `conditions`.
    struct InOrder {
        qint64 from = 0;
        QStringList conditions;
    };
    QList<InOrder> inOrder;
};

// The clock of the windows that share one page budget: each page read ticks it.
struct SqlPageClock {
    quint64 now = 0;
};

// The row-number window over an SqlRowSource used by the SQL models.
//
// Rows are cached in pages by row number, with a bound on the number of pages.
// A page next to a cached page is read with a keyset query that continues from
// that page's edge row; any other page is found by OFFSET on the key alone (an
// index on (sort column, key) answers that without touching the rows) and then
// read by key. Rows whose sort value is NULL form their own run (first when
// ascending, last when descending, as SQLite orders them), so keyset queries
// never compare with NULL.
class SqlRowWindow
{
  public:
    struct Row {
        QVariant key;
        QVariant position; // the sort value the row was fetched with
        QVector<QVariant> values;
    };

    SqlRowWindow(SqlRowSource source, int pageSize, int maxPages);

    const SqlRowSource& source() const { return m_source; }
    int pageSize() const { return m_pageSize; }
    void setMaxPages(int pages);
    int cachedPageCount() const { return int(m_pages.size()); }
    // Windows that share one page budget share a clock, so that the page read
    // least recently among all of them can be found.
    void setClock(std::shared_ptr<SqlPageClock> clock) { m_clock = std::move(clock); }
    quint64 oldestPageUse() const;
    void evictOldestPage();

    // Runs COUNT(*); false (and `error` set) on failure.
    bool count(QString* error);
    int rowCount() const { return m_count; }
    void setRowCount(int count) { m_count = count; }

    // The row, fetching its page when needed. nullptr when the row is out of
    // range, beyond what the table still holds, or the fetch failed (then `error`
    // is set; the failure is remembered until the page is dropped).
    const Row* row(int row, QString* error);
    Row* cachedRow(int row);

    void clear();
    // Hides one key while a model announces a row it has already inserted, so
    // that rows read meanwhile are the rows as they were.
    void hideKey(const QVariant& key);
    void showHiddenKey();
    // Drops every page that holds a row at or after `row` (rows shifted).
    void dropFrom(int row);
    // Reads the row's values again by key (after an UPDATE).
    bool reload(int row, QString* error);
    // The row number of a key under the current conditions and order; -1 when the
    // key is not among them, std::nullopt on failure.
    std::optional<int> rowOfKey(const QVariant& key, QString* error) const;

    // Helpers shared with the models.
    static QString quoted(const QString& identifier);
    QString whereClause() const; // "" or " WHERE (a) AND (b)"

  private:
    struct Page {
        QVector<Row> rows;
        bool failed = false;
        quint64 lastUse = 0;
    };
    enum class Segment { Key, Null, Value };

    bool fetchPage(int page, QString* error);
    bool fetchByKeyset(const Row& anchor, bool forward, int count, QVector<Row>& rows, QString* error);
    bool fetchSegment(Segment segment, const Row* anchor, bool reverse, int limit, QVector<Row>& rows, QString* error);
    bool fetchByOffset(int start, int count, QVector<Row>& rows, QString* error);
    bool fetchByKeys(const QVariantList& keys, QVector<Row>& rows, QString* error);
    QVector<Segment> segments() const;
    Segment segmentOf(const Row& row) const;
    QString segmentCondition(Segment segment, const Row* anchor, bool reverse, QVariantList& values) const;
    // The WHERE clause for a page read (with its values), in order when `inOrder` allows.
    QString pageWhere(bool inOrder, QVariantList& values) const;
    QString selectList() const;
    QString orderBy(bool descending) const;
    Row readRow(const QSqlQuery& query) const;
    void evict();
    quint64 tick() { return ++m_clock->now; }

    SqlRowSource m_source;
    int m_pageSize;
    int m_maxPages;
    int m_count = 0;
    std::shared_ptr<SqlPageClock> m_clock = std::make_shared<SqlPageClock>();
    QHash<int, Page> m_pages;
    bool m_hiding = false;
};

} // namespace pelmora::toolkit
