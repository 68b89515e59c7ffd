#include "toolkit/SqlRowWindow.h"

#include "toolkit/SqlUtil.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <limits>
#include <utility>

namespace pelmora::toolkit
{

// Pages from either end within which rows are read in order (see SqlRowSource::inOrder).
constexpr int kInOrderReach = 4;

SqlRowWindow::SqlRowWindow(SqlRowSource source, int pageSize, int maxPages)
    : m_source(std::move(source)), m_pageSize(std::max(1, pageSize)), m_maxPages(std::max(2, maxPages))
{
}

void SqlRowWindow::setMaxPages(int pages)
{
    m_maxPages = std::max(2, pages);
    evict();
}

QString SqlRowWindow::quoted(const QString& identifier)
{
    return sql::quoted(identifier);
}

namespace
{
QString whereOf(const QStringList& conditions)
{
    QStringList parts;
    for (const QString& condition : conditions) {
        if (!condition.trimmed().isEmpty())
            parts << QLatin1Char('(') + condition + QLatin1Char(')');
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}
} // namespace

QString SqlRowWindow::whereClause() const
{
    return whereOf(m_source.conditions);
}

QString SqlRowWindow::pageWhere(bool inOrder, QVariantList& values) const
{
    const SqlRowSource::InOrder* chosen = nullptr;
    if (inOrder) {
        for (const SqlRowSource::InOrder& candidate : m_source.inOrder) {
            if (m_count >= candidate.from)
                chosen = &candidate;
        }
    }
    if (!chosen) {
        values = m_source.conditionValues;
        return whereClause();
    }
    QStringList conditions = chosen->conditions;
    if (m_hiding) {
        conditions << m_source.conditions.last();
        values << m_source.conditionValues.last();
    }
    return whereOf(conditions);
}

QString SqlRowWindow::selectList() const
{
    QStringList names{quoted(m_source.keyColumn)};
    if (!m_source.sortColumn.isEmpty())
        names << quoted(m_source.sortColumn);
    for (const QString& column : m_source.columns)
        names << quoted(column);
    return names.join(QStringLiteral(", "));
}

QString SqlRowWindow::orderBy(bool descending) const
{
    const QString dir = descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QString text = QStringLiteral(" ORDER BY ");
    if (!m_source.sortColumn.isEmpty())
        text += quoted(m_source.sortColumn) + dir + QStringLiteral(", ");
    return text + quoted(m_source.keyColumn) + dir;
}

SqlRowWindow::Row SqlRowWindow::readRow(const QSqlQuery& query) const
{
    Row row;
    row.key = query.value(0);
    int next = 1;
    if (!m_source.sortColumn.isEmpty())
        row.position = sql::normalized(query.value(next++));
    else
        row.position = row.key;
    row.values.reserve(m_source.columns.size());
    for (int i = 0; i < m_source.columns.size(); ++i)
        row.values << sql::normalized(query.value(next + i));
    return row;
}

bool SqlRowWindow::count(QString* error)
{
    QSqlQuery query(QSqlDatabase::database(m_source.connectionName, false));
    const QString text = QStringLiteral("SELECT COUNT(*) FROM ") + quoted(m_source.table) + whereClause();
    if (!sql::run(query, text, m_source.conditionValues, error) || !query.next()) {
        m_count = 0;
        return false;
    }
    m_count = query.value(0).toInt();
    return true;
}

void SqlRowWindow::clear()
{
    m_pages.clear();
}

void SqlRowWindow::hideKey(const QVariant& key)
{
    showHiddenKey();
    m_source.conditions << quoted(m_source.keyColumn) + QStringLiteral(" <> ?");
    m_source.conditionValues << key;
    m_hiding = true;
}

void SqlRowWindow::showHiddenKey()
{
    if (!m_hiding)
        return;
    m_source.conditions.removeLast();
    m_source.conditionValues.removeLast();
    m_hiding = false;
}

void SqlRowWindow::dropFrom(int row)
{
    const int first = std::max(0, row) / m_pageSize;
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (it.key() >= first)
            it = m_pages.erase(it);
        else
            ++it;
    }
}

SqlRowWindow::Row* SqlRowWindow::cachedRow(int row)
{
    if (row < 0)
        return nullptr;
    auto it = m_pages.find(row / m_pageSize);
    if (it == m_pages.end())
        return nullptr;
    const int offset = row % m_pageSize;
    return offset < it->rows.size() ? &it->rows[offset] : nullptr;
}

const SqlRowWindow::Row* SqlRowWindow::row(int row, QString* error)
{
    if (row < 0 || row >= m_count)
        return nullptr;
    const int page = row / m_pageSize;
    if (!m_pages.contains(page)) {
        fetchPage(page, error);
        evict();
    }
    auto it = m_pages.find(page);
    if (it == m_pages.end())
        return nullptr;
    it->lastUse = tick();
    const int offset = row % m_pageSize;
    return offset < it->rows.size() ? &it->rows[offset] : nullptr;
}

void SqlRowWindow::evict()
{
    while (m_pages.size() > m_maxPages)
        evictOldestPage();
}

quint64 SqlRowWindow::oldestPageUse() const
{
    quint64 oldest = std::numeric_limits<quint64>::max();
    for (const Page& page : m_pages)
        oldest = std::min(oldest, page.lastUse);
    return oldest;
}

void SqlRowWindow::evictOldestPage()
{
    if (m_pages.isEmpty())
        return;
    auto oldest = m_pages.begin();
    for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
        if (it->lastUse < oldest->lastUse)
            oldest = it;
    }
    m_pages.erase(oldest);
}

bool SqlRowWindow::fetchPage(int page, QString* error)
{
    const int start = page * m_pageSize;
    const int count = std::min(m_pageSize, m_count - start);
    Page result;
    result.lastUse = tick();
    bool ok = true;
    const auto previous = m_pages.constFind(page - 1);
    const auto next = m_pages.constFind(page + 1);
    if (previous != m_pages.constEnd() && !previous->failed && previous->rows.size() == m_pageSize) {
        ok = fetchByKeyset(previous->rows.last(), true, count, result.rows, error);
    } else if (next != m_pages.constEnd() && !next->failed && !next->rows.isEmpty()) {
        ok = fetchByKeyset(next->rows.first(), false, count, result.rows, error);
    } else {
        ok = fetchByOffset(start, count, result.rows, error);
    }
    if (!ok) {
        result.rows.clear();
        result.failed = true;
    }
    m_pages.insert(page, std::move(result));
    return ok;
}

QVector<SqlRowWindow::Segment> SqlRowWindow::segments() const
{
    if (m_source.sortColumn.isEmpty())
        return {Segment::Key};
    // SQLite puts NULL first when ascending and last when descending.
    if (m_source.order == Qt::AscendingOrder)
        return {Segment::Null, Segment::Value};
    return {Segment::Value, Segment::Null};
}

SqlRowWindow::Segment SqlRowWindow::segmentOf(const Row& row) const
{
    if (m_source.sortColumn.isEmpty())
        return Segment::Key;
    return row.position.isNull() ? Segment::Null : Segment::Value;
}

// The condition that selects a segment, or the part of it after (before, when
// `reverse`) the anchor in the visible order.
QString SqlRowWindow::segmentCondition(Segment segment, const Row* anchor, bool reverse, QVariantList& values) const
{
    const bool descending = (m_source.order == Qt::DescendingOrder) != reverse;
    const QString cmp = descending ? QStringLiteral(" < ") : QStringLiteral(" > ");
    const QString key = quoted(m_source.keyColumn);
    const QString sort = quoted(m_source.sortColumn);
    switch (segment) {
    case Segment::Key:
        if (!anchor)
            return {};
        values << anchor->key;
        return key + cmp + QStringLiteral("?");
    case Segment::Null:
        if (!anchor)
            return sort + QStringLiteral(" IS NULL");
        values << anchor->key;
        return sort + QStringLiteral(" IS NULL AND ") + key + cmp + QStringLiteral("?");
    case Segment::Value:
        if (!anchor)
            return sort + QStringLiteral(" IS NOT NULL");
        values << anchor->position << anchor->key;
        return QStringLiteral("(") + sort + QStringLiteral(", ") + key + QStringLiteral(")") + cmp +
               QStringLiteral("(?, ?)");
    }
    return {};
}

bool SqlRowWindow::fetchSegment(Segment segment, const Row* anchor, bool reverse, int limit, QVector<Row>& rows,
                                QString* error)
{
    const bool descending = (m_source.order == Qt::DescendingOrder) != reverse;
    QVariantList values;
    QString where = pageWhere(true, values);
    const QString condition = segmentCondition(segment, anchor, reverse, values);
    if (!condition.isEmpty())
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + condition;
    QString order;
    if (segment == Segment::Value) {
        order = orderBy(descending);
    } else {
        order = QStringLiteral(" ORDER BY ") + quoted(m_source.keyColumn) +
                (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    }
    values << limit;
    QSqlQuery query(QSqlDatabase::database(m_source.connectionName, false));
    query.setForwardOnly(true);
    const QString text = QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") + quoted(m_source.table) +
                         where + order + QStringLiteral(" LIMIT ?");
    if (!sql::run(query, text, values, error))
        return false;
    while (query.next())
        rows << readRow(query);
    return true;
}

bool SqlRowWindow::fetchByKeyset(const Row& anchor, bool forward, int count, QVector<Row>& rows, QString* error)
{
    const QVector<Segment> order = segments();
    const int first = int(order.indexOf(segmentOf(anchor)));
    QVector<Row> found;
    if (forward) {
        for (int i = first; i < order.size() && found.size() < count; ++i) {
            if (!fetchSegment(order[i], i == first ? &anchor : nullptr, false, count - int(found.size()), found, error))
                return false;
        }
    } else {
        for (int i = first; i >= 0 && found.size() < count; --i) {
            if (!fetchSegment(order[i], i == first ? &anchor : nullptr, true, count - int(found.size()), found, error))
                return false;
        }
        std::reverse(found.begin(), found.end());
    }
    rows = std::move(found);
    return true;
}

bool SqlRowWindow::fetchByOffset(int start, int count, QVector<Row>& rows, QString* error)
{
    if (count <= 0)
        return true;
    // Count from the nearer end, so that the last rows are as quick as the first.
    const int fromEnd = m_count - start - count;
    const bool reverse = fromEnd < start;
    const bool descending = (m_source.order == Qt::DescendingOrder) != reverse;
    // Near an end, rows in order are found by walking a short way; deep inside, gathering them
    // all and counting off is quicker.
    QVariantList values;
    const QString where = pageWhere(std::min(start, fromEnd) < kInOrderReach * m_pageSize, values);
    values << count << (reverse ? fromEnd : start);
    QSqlQuery query(QSqlDatabase::database(m_source.connectionName, false));
    query.setForwardOnly(true);
    const QString text = QStringLiteral("SELECT ") + quoted(m_source.keyColumn) + QStringLiteral(" FROM ") +
                         quoted(m_source.table) + where + orderBy(descending) + QStringLiteral(" LIMIT ? OFFSET ?");
    if (!sql::run(query, text, values, error))
        return false;
    QVariantList keys;
    while (query.next())
        keys << query.value(0);
    if (reverse)
        std::reverse(keys.begin(), keys.end());
    return fetchByKeys(keys, rows, error);
}

bool SqlRowWindow::fetchByKeys(const QVariantList& keys, QVector<Row>& rows, QString* error)
{
    if (keys.isEmpty())
        return true;
    QStringList marks;
    marks.fill(QStringLiteral("?"), keys.size());
    QSqlQuery query(QSqlDatabase::database(m_source.connectionName, false));
    query.setForwardOnly(true);
    const QString text = QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") + quoted(m_source.table) +
                         QStringLiteral(" WHERE ") + quoted(m_source.keyColumn) + QStringLiteral(" IN (") +
                         marks.join(QStringLiteral(", ")) + QStringLiteral(")");
    if (!sql::run(query, text, keys, error))
        return false;
    QHash<QString, Row> byKey;
    while (query.next()) {
        Row row = readRow(query);
        byKey.insert(row.key.toString(), std::move(row));
    }
    for (const QVariant& key : keys) {
        auto it = byKey.find(key.toString());
        if (it != byKey.end())
            rows << std::move(*it);
    }
    return true;
}

bool SqlRowWindow::reload(int row, QString* error)
{
    Row* cached = cachedRow(row);
    if (!cached)
        return true;
    QVector<Row> fresh;
    if (!fetchByKeys({cached->key}, fresh, error))
        return false;
    if (!fresh.isEmpty())
        cached->values = fresh.first().values;
    return true;
}

std::optional<int> SqlRowWindow::rowOfKey(const QVariant& key, QString* error) const
{
    QSqlDatabase db = QSqlDatabase::database(m_source.connectionName, false);
    const QString table = quoted(m_source.table);
    const QString where = whereClause();
    Row anchor;
    anchor.key = key;
    {
        QVariantList values = m_source.conditionValues;
        values << key;
        const QString position =
            m_source.sortColumn.isEmpty() ? quoted(m_source.keyColumn) : quoted(m_source.sortColumn);
        QSqlQuery query(db);
        const QString text = QStringLiteral("SELECT ") + position + QStringLiteral(" FROM ") + table + where +
                             (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                             quoted(m_source.keyColumn) + QStringLiteral(" = ?");
        if (!sql::run(query, text, values, error))
            return std::nullopt;
        if (!query.next())
            return -1;
        anchor.position = sql::normalized(query.value(0));
    }
    // Rows of the earlier segments, then the rows before the key in its own.
    const QVector<Segment> order = segments();
    const Segment own = segmentOf(anchor);
    int before = 0;
    for (Segment segment : order) {
        QVariantList values = m_source.conditionValues;
        const QString condition = segmentCondition(segment, segment == own ? &anchor : nullptr, true, values);
        QSqlQuery query(db);
        QString text = QStringLiteral("SELECT COUNT(*) FROM ") + table + where;
        if (!condition.isEmpty())
            text += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + condition;
        if (!sql::run(query, text, values, error) || !query.next())
            return std::nullopt;
        before += query.value(0).toInt();
        if (segment == own)
            break;
    }
    return before;
}

} // namespace pelmora::toolkit
