#include "toolkit/SqlTableModel.h"

#include "toolkit/SqlRowWindow.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QMetaObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <exception>
#include <optional>

namespace pelmora::toolkit
{

namespace
{

// Deletes in chunks so that a large selection stays under SQLite's limit of bound values.
constexpr int DeleteChunk = 500;

} // namespace

SqlTableModel::SqlTableModel(QObject* parent) : SqlModel(parent)
{
}

SqlTableModel::~SqlTableModel() = default;

void SqlTableModel::setColumnReadOnly(int column, bool readOnly)
{
    const QStringList& names = m_columns.isEmpty() ? m_requestedColumns : m_columns;
    if (column >= 0 && column < names.size())
        setColumnReadOnly(names[column], readOnly);
}

bool SqlTableModel::isColumnReadOnly(int column) const
{
    return SqlModel::isColumnReadOnly(columnName(column));
}

void SqlTableModel::pageLimitChanged()
{
    if (m_window)
        m_window->setMaxPages(m_maxPages);
}

int SqlTableModel::cachedPageCount() const
{
    return m_window ? m_window->cachedPageCount() : 0;
}

void SqlTableModel::setDeleteHandler(DeleteHandler handler)
{
    m_deleteHandler = std::move(handler);
}

bool SqlTableModel::reload(bool keepOpen)
{
    m_window.reset();
    if (!keepOpen) {
        // A closed set keeps the columns it was given, so that a grid over it still shows its
        // header (an empty shop, no current order).
        if (!m_requestedColumns.isEmpty())
            useColumns(m_requestedColumns);
        return true;
    }
    if (!connectionOpen() || !resolveColumns({m_sortColumn}))
        return false;
    SqlRowSource source;
    source.connectionName = m_connectionName;
    source.table = m_table;
    source.keyColumn = m_keyColumn;
    source.columns = m_columns;
    source.sortColumn = m_sortColumn;
    source.order = m_sortOrder;
    if (!m_filter.isEmpty()) {
        source.conditions << m_filter;
        if (!m_filterInOrder.isEmpty() && sortHasIndex()) {
            for (const FilterInOrder& filter : m_filterInOrder)
                source.inOrder << SqlRowSource::InOrder{filter.from, {filter.sqlWhere}};
        }
    }
    m_window = std::make_unique<SqlRowWindow>(source, m_pageSize, m_maxPages);
    QString message;
    if (!m_window->count(&message)) {
        m_window.reset();
        return fail(message);
    }
    return true;
}

// Whether rows can be walked in the sort's order: by the key, or by an index that begins
// with the sort column.
bool SqlTableModel::sortHasIndex() const
{
    if (m_sortColumn.isEmpty() || m_sortColumn.compare(m_keyColumn, Qt::CaseInsensitive) == 0)
        return true;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT 1 FROM pragma_index_list(?) AS l, pragma_index_info(l.name) AS i "
                                 "WHERE i.seqno=0 AND i.name=? COLLATE NOCASE LIMIT 1"));
    query.addBindValue(m_table);
    query.addBindValue(m_sortColumn);
    return query.exec() && query.next();
}

QModelIndex SqlTableModel::index(int row, int column, const QModelIndex& parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex SqlTableModel::parent(const QModelIndex&) const
{
    return {};
}

QModelIndex SqlTableModel::sibling(int row, int column, const QModelIndex&) const
{
    return index(row, column);
}

bool SqlTableModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && rowCount(parent) > 0 && columnCount(parent) > 0;
}

QVariant SqlTableModel::keyOf(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this ? keyAt(index.row()) : QVariant();
}

QModelIndex SqlTableModel::indexOfKey(const QVariant& key)
{
    const int row = rowOfKey(key);
    return row < 0 ? QModelIndex() : index(row, 0);
}

int SqlTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_window)
        return 0;
    return m_window->rowCount();
}

int SqlTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant SqlTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_window || index.row() >= m_window->rowCount() || index.column() >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return value(index.row(), index.column());
    return {};
}

QVariant SqlTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            const auto it = m_captionOverrides.constFind(m_columns[section].toLower());
            return it != m_captionOverrides.constEnd() ? *it : QVariant(m_captions[section]);
        }
        if (role == Qt::UserRole)
            return m_columns[section];
        return {};
    }
    return SqlModel::headerData(section, orientation, role);
}

bool SqlTableModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_captionOverrides.insert(m_columns[section].toLower(), value);
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags SqlTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (!isColumnReadOnly(index.column()))
        result |= Qt::ItemIsEditable;
    return result;
}

QVariant SqlTableModel::keyAt(int row) const
{
    if (!m_window)
        return {};
    QString message;
    const SqlRowWindow::Row* found = m_window->row(row, &message);
    if (!found && !message.isEmpty())
        failLater(message);
    return found ? found->key : QVariant();
}

int SqlTableModel::rowOfKey(const QVariant& key) const
{
    if (!m_window || !key.isValid())
        return -1;
    QString message;
    const std::optional<int> row = m_window->rowOfKey(key, &message);
    if (!row) {
        fail(message);
        return -1;
    }
    return *row;
}

QVariant SqlTableModel::value(int row, int column) const
{
    if (!m_window || column < 0 || column >= m_columns.size())
        return {};
    QString message;
    const SqlRowWindow::Row* found = m_window->row(row, &message);
    if (!found) {
        if (!message.isEmpty())
            failLater(message);
        return {};
    }
    return found->values.value(column);
}

QVariant SqlTableModel::value(int row, const QString& column) const
{
    const int index = columnIndex(column);
    if (index >= 0)
        return value(row, index);
    if (column.compare(m_keyColumn, Qt::CaseInsensitive) == 0)
        return keyAt(row);
    return {};
}

QVariantMap SqlTableModel::record(int row) const
{
    QVariantMap result;
    if (!m_window)
        return result;
    QString message;
    const SqlRowWindow::Row* found = m_window->row(row, &message);
    if (!found) {
        if (!message.isEmpty())
            failLater(message);
        return result;
    }
    for (int i = 0; i < m_columns.size(); ++i)
        result.insert(m_columns[i], found->values.value(i));
    if (columnIndex(m_keyColumn) < 0)
        result.insert(m_keyColumn, found->key);
    return result;
}

QVariant SqlTableModel::toStorage(const QVariant& value)
{
    return sql::toStorage(value);
}

bool SqlTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !m_window || index.row() >= m_window->rowCount() ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    if (isColumnReadOnly(index.column()))
        return fail(QStringLiteral("Column ") + columnName(index.column()) + QStringLiteral(" is read-only"));
    const int row = index.row();
    const QVariant key = keyAt(row);
    if (!key.isValid())
        return fail(m_lastError.isEmpty() ? QStringLiteral("Row %1 could not be read").arg(row) : m_lastError);

    ChangeScope change(*this, ChangeKind::Update, {key});
    const quint64 before = generation();
    emit aboutToPost(row, index.column(), value);
    if (before != generation()) // a listener refreshed or closed the model
        return fail(QStringLiteral("The rows were refreshed before the change was saved"));

    QString message;
    if (!sql::updateCell(m_connectionName, m_table, m_keyColumn, columnName(index.column()), value, key, &message))
        return fail(message);

    // Read the row back: the database may have converted the value or triggers
    // may have changed other columns.
    if (!m_window->reload(row, &message)) {
        if (SqlRowWindow::Row* cached = m_window->cachedRow(row))
            cached->values[index.column()] = sql::normalized(toStorage(value));
    }
    change.done();
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    emit posted(row, index.column());
    return true;
}

int SqlTableModel::appendRow(const QVariantMap& values)
{
    m_lastInsertedKey = QVariant();
    if (!m_window) {
        fail(QStringLiteral("The table is not open"));
        return -1;
    }
    ChangeScope change(*this, ChangeKind::Insert, {});
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QStringList names;
    QStringList marks;
    QVariantList bound;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        names << sql::quoted(it.key());
        marks << QStringLiteral("?");
        bound << toStorage(it.value());
    }
    QString text = QStringLiteral("INSERT INTO ") + sql::quoted(m_table);
    if (names.isEmpty())
        text += QStringLiteral(" DEFAULT VALUES");
    else
        text += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                marks.join(QStringLiteral(", ")) + QStringLiteral(")");
    QSqlQuery query(db);
    QString message;
    if (!sql::run(query, text, bound, &message)) {
        fail(message);
        return -1;
    }
    const QVariant rowid = query.lastInsertId();
    QSqlQuery lookup(db);
    if (!sql::run(lookup,
                  QStringLiteral("SELECT ") + sql::quoted(m_keyColumn) + QStringLiteral(" FROM ") +
                      sql::quoted(m_table) + QStringLiteral(" WHERE rowid = ?"),
                  {rowid}, &message) ||
        !lookup.next()) {
        fail(message.isEmpty() ? QStringLiteral("The new row could not be found") : message);
        return -1;
    }
    m_lastInsertedKey = lookup.value(0);
    change.done({m_lastInsertedKey});

    const std::optional<int> row = m_window->rowOfKey(m_lastInsertedKey, &message);
    if (!row) {
        fail(message);
        return -1;
    }
    if (*row < 0)
        return -1; // stored, but the filter hides it
    m_window->hideKey(m_lastInsertedKey);
    beginInsertRows({}, *row, *row);
    m_window->showHiddenKey();
    m_window->dropFrom(*row);
    m_window->setRowCount(m_window->rowCount() + 1);
    endInsertRows();
    return *row;
}

QVariant SqlTableModel::lastInsertedKey() const
{
    return m_lastInsertedKey;
}

bool SqlTableModel::insertRows(int row, int count, const QModelIndex& parent)
{
    Q_UNUSED(row);
    if (parent.isValid() || count < 1 || !m_window)
        return false;
    for (int i = 0; i < count; ++i) {
        appendRow();
        if (!m_lastInsertedKey.isValid())
            return false;
    }
    return true;
}

bool SqlTableModel::deleteKeys(const QVariantList& keys)
{
    if (m_deleteHandler)
        return m_deleteHandler(keys);
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery query(db);
    QString message;
    // Many keys go in several statements: whole or nothing.
    std::optional<SqlTransaction> transaction;
    if (keys.size() > DeleteChunk)
        transaction.emplace(db);
    for (int first = 0; first < keys.size(); first += DeleteChunk) {
        const QVariantList part = keys.mid(first, DeleteChunk);
        QStringList marks;
        marks.fill(QStringLiteral("?"), part.size());
        const QString text = QStringLiteral("DELETE FROM ") + sql::quoted(m_table) + QStringLiteral(" WHERE ") +
                             sql::quoted(m_keyColumn) + QStringLiteral(" IN (") + marks.join(QStringLiteral(", ")) +
                             QStringLiteral(")");
        if (!sql::run(query, text, part, &message))
            return fail(message);
    }
    if (transaction)
        transaction->commit();
    return true;
}

bool SqlTableModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || !m_window || row < 0 || count < 1 || row + count > m_window->rowCount())
        return false;
    QVariantList keys;
    for (int r = row; r < row + count; ++r) {
        const QVariant key = keyAt(r);
        if (!key.isValid())
            return fail(m_lastError.isEmpty() ? QStringLiteral("Row %1 could not be read").arg(r) : m_lastError);
        keys << key;
    }
    // The neighbours stay cached as they were, for views that read them while
    // the removal is announced (the rows are gone from the table by then).
    keyAt(row - 1);
    keyAt(row + count);

    bool deleted = false;
    m_lastError.clear();
    {
        ChangeScope change(*this, ChangeKind::Delete, keys);
        try {
            deleted = deleteKeys(keys);
        } catch (const std::exception& failure) {
            return fail(QString::fromLocal8Bit(failure.what()));
        }
        if (!deleted)
            return m_lastError.isEmpty() ? fail(QStringLiteral("The rows were not deleted")) : false;
        change.done();
    }

    // A delete handler may remove more (or fewer) rows than asked: then the
    // table is shown afresh.
    SqlRowWindow probe(m_window->source(), 1, 2);
    QString message;
    if (!probe.count(&message) || probe.rowCount() != m_window->rowCount() - count) {
        reset(true);
        return true;
    }
    beginRemoveRows({}, row, row + count - 1);
    m_window->dropFrom(row);
    m_window->setRowCount(probe.rowCount());
    endRemoveRows();
    return true;
}

SqlTableModel::ChangeScope::ChangeScope(SqlTableModel& model, ChangeKind kind, const QVariantList& keys)
    : m_model(model), m_kind(kind), m_keys(keys), m_outer(model.m_changeDepth++ == 0)
{
    if (m_outer && m_model.m_changeHook)
        m_model.m_changeHook(m_kind, ChangeStage::Before, m_keys);
}

void SqlTableModel::ChangeScope::done(const QVariantList& keys)
{
    m_keys = keys;
    m_done = true;
}

SqlTableModel::ChangeScope::~ChangeScope()
{
    --m_model.m_changeDepth;
    if (m_outer && m_model.m_changeHook)
        m_model.m_changeHook(m_kind, m_done ? ChangeStage::Done : ChangeStage::Failed, m_keys);
}

} // namespace pelmora::toolkit
