#include "toolkit/SqlGroupModel.h"

#include "toolkit/SqlRowWindow.h"
#include "toolkit/SqlUtil.h"

#include <QMetaObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

namespace pelmora::toolkit
{

struct SqlGroupModel::Node {
    Node* parent = nullptr;
    int row = 0;    // place among the parent's groups
    int level = -1; // the root is -1; a group of groupColumns[i] is i
    QVariant value; // invalid for the blank group
    bool blank = false;
    int count = 0;
    int shown = 0; // data rows reported to the views so far
    bool fetched = false;
    std::vector<std::unique_ptr<Node>> groups;
    std::unique_ptr<SqlRowWindow> rows; // for the groups of the last column, once opened
};

namespace
{

bool isBlank(const QVariant& value)
{
    return value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
}

} // namespace

SqlGroupModel::SqlGroupModel(QObject* parent) : SqlModel(parent), m_clock(std::make_shared<SqlPageClock>())
{
}

SqlGroupModel::~SqlGroupModel() = default;

bool SqlGroupModel::setGroupColumns(const QStringList& columns)
{
    m_groupColumns = columns;
    return isOpen() ? reset(true) : true;
}
QStringList SqlGroupModel::groupColumns() const
{
    return m_groupColumns;
}
void SqlGroupModel::setGroupOrder(Qt::SortOrder order)
{
    m_groupOrder = order;
}
void SqlGroupModel::setChunkRows(int rows)
{
    m_chunkRows = std::max(1, rows);
}

int SqlGroupModel::cachedPageCount() const
{
    int pages = 0;
    for (const Node* leaf : m_openLeaves)
        pages += leaf->rows->cachedPageCount();
    return pages;
}

bool SqlGroupModel::reload(bool keepOpen)
{
    m_openLeaves.clear();
    m_root.reset();
    m_columns.clear();
    m_captions.clear();
    if (!keepOpen)
        return true;
    if (connectionOpen() && resolveColumns(QStringList{m_sortColumn} << m_groupColumns) && openRoot())
        return true;
    m_root.reset();
    m_openLeaves.clear();
    m_columns.clear();
    m_captions.clear();
    return false;
}

// The groups of the first column, or, without grouping, the table's rows.
bool SqlGroupModel::openRoot()
{
    m_root = std::make_unique<Node>();
    Node* root = m_root.get();
    if (!isLeaf(root)) {
        root->fetched = true;
        return fetchGroups(root, root->groups);
    }
    if (!countRows(root))
        return false;
    openRows(root);
    root->shown = root->count;
    return true;
}

bool SqlGroupModel::countRows(Node* node)
{
    QStringList conditions;
    QVariantList values;
    pathConditions(node, conditions, values);
    SqlRowWindow counter({m_connectionName, m_table, m_keyColumn, {}, {}, Qt::AscendingOrder, conditions, values, {}},
                         1, 2);
    QString message;
    if (!counter.count(&message))
        return fail(message);
    node->count = counter.rowCount();
    return true;
}

bool SqlGroupModel::isLeaf(const Node* node) const
{
    return node->level == m_groupColumns.size() - 1;
}

void SqlGroupModel::pathConditions(const Node* node, QStringList& conditions, QVariantList& values) const
{
    if (!m_filter.isEmpty())
        conditions << m_filter;
    QVector<const Node*> path;
    for (const Node* n = node; n && n->level >= 0; n = n->parent)
        path.prepend(n);
    for (const Node* n : path) {
        const QString column = sql::quoted(m_groupColumns[n->level]);
        if (n->blank) {
            conditions << column + QStringLiteral(" IS NULL OR ") + column + QStringLiteral(" = ''");
        } else {
            conditions << column + QStringLiteral(" = ?");
            values << n->value;
        }
    }
}

// The groups of the next column under `node`, in group order, with the
// blank values NULL and '' merged into one group where the first of them stands.
bool SqlGroupModel::fetchGroups(Node* node, std::vector<std::unique_ptr<Node>>& groups)
{
    QStringList conditions;
    QVariantList values;
    pathConditions(node, conditions, values);
    QString where;
    for (const QString& condition : conditions)
        where +=
            (where.isEmpty() ? QStringLiteral(" WHERE (") : QStringLiteral(" AND (")) + condition + QStringLiteral(")");
    const QString column = sql::quoted(m_groupColumns[node->level + 1]);
    const QString text = QStringLiteral("SELECT ") + column + QStringLiteral(", COUNT(*) FROM ") +
                         sql::quoted(m_table) + where + QStringLiteral(" GROUP BY ") + column +
                         QStringLiteral(" ORDER BY ") + column +
                         (m_groupOrder == Qt::DescendingOrder ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    QString message;
    if (!sql::run(query, text, values, &message))
        return fail(message);
    Node* blank = nullptr;
    while (query.next()) {
        const QVariant value = sql::normalized(query.value(0));
        const int count = query.value(1).toInt();
        if (isBlank(value) && blank) {
            blank->count += count;
            continue;
        }
        auto group = std::make_unique<Node>();
        group->parent = node;
        group->row = int(groups.size());
        group->level = node->level + 1;
        group->blank = isBlank(value);
        group->value = group->blank ? QVariant() : value;
        group->count = count;
        if (group->blank)
            blank = group.get();
        groups.push_back(std::move(group));
    }
    return true;
}

void SqlGroupModel::openRows(Node* node)
{
    SqlRowSource source;
    source.connectionName = m_connectionName;
    source.table = m_table;
    source.keyColumn = m_keyColumn;
    source.columns = m_columns;
    source.sortColumn = m_sortColumn;
    source.order = m_sortOrder;
    pathConditions(node, source.conditions, source.conditionValues);
    node->rows = std::make_unique<SqlRowWindow>(source, m_pageSize, m_maxPages);
    node->rows->setClock(m_clock);
    node->rows->setRowCount(node->count);
    node->fetched = true;
    m_openLeaves.push_back(node);
}

// Reports the rows of an open group up to `upTo` and a chunk beyond it.
void SqlGroupModel::showRows(Node* node, const QModelIndex& parent, int upTo)
{
    if (upTo < node->shown || node->shown >= node->count || m_notifying)
        return;
    const int last = std::min(node->count, upTo + m_chunkRows) - 1;
    ++m_notifying;
    beginInsertRows(parent, node->shown, last);
    node->shown = last + 1;
    endInsertRows();
    --m_notifying;
}

// Keeps the pages of all groups within the budget, dropping the page read
// least recently wherever it is.
void SqlGroupModel::trimPages() const
{
    while (cachedPageCount() > m_maxPages) {
        SqlRowWindow* oldest = nullptr;
        for (const Node* leaf : m_openLeaves) {
            if (leaf->rows->cachedPageCount() && (!oldest || leaf->rows->oldestPageUse() < oldest->oldestPageUse()))
                oldest = leaf->rows.get();
        }
        if (!oldest)
            return;
        oldest->evictOldestPage();
    }
}

SqlGroupModel::Node* SqlGroupModel::parentNode(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

SqlGroupModel::Node* SqlGroupModel::groupNode(const QModelIndex& index) const
{
    if (!index.isValid())
        return m_root.get();
    Node* parent = parentNode(index);
    if (!parent || isLeaf(parent) || index.row() >= int(parent->groups.size()))
        return nullptr;
    return parent->groups[index.row()].get();
}

QModelIndex SqlGroupModel::indexOf(const Node* node) const
{
    if (!node || !node->parent)
        return {};
    return createIndex(node->row, 0, node->parent);
}

bool SqlGroupModel::isGroup(const QModelIndex& index) const
{
    return index.isValid() && groupNode(index);
}

bool SqlGroupModel::readGroupValues(const QVariant& key, QVariantList& values) const
{
    QStringList columns;
    for (const QString& column : m_groupColumns)
        columns << sql::quoted(column);
    QString where = sql::quoted(m_keyColumn) + QStringLiteral(" = ?");
    if (!m_filter.isEmpty())
        where = QStringLiteral("(") + m_filter + QStringLiteral(") AND ") + where;
    const QString text = QStringLiteral("SELECT ") + (columns.isEmpty() ? QStringLiteral("1") : columns.join(u',')) +
                         QStringLiteral(" FROM ") + sql::quoted(m_table) + QStringLiteral(" WHERE ") + where;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.setForwardOnly(true);
    QString message;
    if (!sql::run(query, text, {key}, &message))
        return fail(message);
    if (!query.next())
        return false;
    for (int i = 0; i < m_groupColumns.size(); ++i)
        values << sql::normalized(query.value(i));
    return true;
}

SqlGroupModel::Node* SqlGroupModel::openedGroupOf(Node* node, const QVariant& value)
{
    if (!node->fetched)
        fetchMore(indexOf(node));
    for (const auto& group : node->groups)
        if (group->blank ? isBlank(value) : !isBlank(value) && group->value == value)
            return group.get();
    return nullptr;
}

QModelIndex SqlGroupModel::indexOfKey(const QVariant& key)
{
    QVariantList values;
    if (!m_root || m_notifying || !key.isValid() || !readGroupValues(key, values))
        return {};
    Node* node = m_root.get();
    for (const QVariant& value : std::as_const(values)) {
        node = openedGroupOf(node, value);
        if (!node)
            return {};
    }
    if (!node->fetched)
        fetchMore(indexOf(node));
    if (!node->rows)
        return {};
    QString message;
    const std::optional<int> row = node->rows->rowOfKey(key, &message);
    if (!row) {
        fail(message);
        return {};
    }
    if (*row < 0)
        return {};
    showRows(node, indexOf(node), *row);
    return *row < node->shown ? createIndex(*row, 0, node) : QModelIndex();
}

QModelIndex SqlGroupModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    Node* node = groupNode(parent);
    return node ? createIndex(row, column, node) : QModelIndex();
}

QModelIndex SqlGroupModel::parent(const QModelIndex& child) const
{
    Node* node = parentNode(child);
    return node ? indexOf(node) : QModelIndex();
}

int SqlGroupModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() > 0)
        return 0;
    const Node* node = groupNode(parent);
    if (!node || !node->fetched)
        return 0;
    return isLeaf(node) ? node->shown : int(node->groups.size());
}

int SqlGroupModel::columnCount(const QModelIndex&) const
{
    return int(m_columns.size());
}

bool SqlGroupModel::hasChildren(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() > 0)
        return false;
    const Node* node = groupNode(parent);
    if (!node)
        return false;
    return node->fetched ? rowCount(parent) > 0 : node->count > 0;
}

bool SqlGroupModel::canFetchMore(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() > 0)
        return false;
    const Node* node = groupNode(parent);
    if (!node || node->count <= 0)
        return false;
    return !node->fetched || (isLeaf(node) && node->shown < node->count);
}

void SqlGroupModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    Node* node = groupNode(parent);
    if (m_notifying) {
        // Rows inserted while listeners still handle a reset or an insertion would
        // reach them out of turn: open the group once they are done, unless the
        // groups changed meanwhile.
        const quint64 generation = this->generation();
        QMetaObject::invokeMethod(
            this,
            [this, node, generation] {
                if (generation == this->generation())
                    fetchMore(indexOf(node));
            },
            Qt::QueuedConnection);
        return;
    }
    if (isLeaf(node)) {
        if (!node->fetched)
            openRows(node);
        showRows(node, parent, node->shown);
        return;
    }
    std::vector<std::unique_ptr<Node>> groups;
    const quint64 generation = this->generation();
    const bool ok = fetchGroups(node, groups);
    // A listener of error() may have refreshed the model: this node is gone then.
    if (generation != this->generation())
        return;
    node->fetched = true; // a failure is not retried until the next refresh
    if (!ok || groups.empty())
        return;
    ++m_notifying;
    beginInsertRows(parent, 0, int(groups.size()) - 1);
    node->groups = std::move(groups);
    endInsertRows();
    --m_notifying;
}

QString SqlGroupModel::groupLabel(const Node* node) const
{
    return (node->blank ? QString() : node->value.toString()) + QStringLiteral(" (%1)").arg(node->count);
}

QVariant SqlGroupModel::rowValue(const QModelIndex& index, int column) const
{
    Node* leaf = parentNode(index);
    if (!leaf || !isLeaf(leaf) || !leaf->rows)
        return {};
    QString message;
    const SqlRowWindow::Row* row = leaf->rows->row(index.row(), &message);
    if (!row) {
        if (!message.isEmpty())
            failLater(message);
        return {};
    }
    const QVariant value = column < 0 ? row->key : row->values.value(column);
    trimPages();
    return value;
}

QVariant SqlGroupModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (const Node* group = groupNode(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? QVariant(groupLabel(group)) : QVariant();
        case IsGroupRole:
            return true;
        case GroupValueRole:
            return group->value;
        case GroupCountRole:
            return group->count;
        case GroupColumnRole:
            return m_groupColumns.value(group->level);
        case GroupLabelRole:
            return groupLabel(group);
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return rowValue(index, index.column());
    case IsGroupRole:
        return false;
    case KeyRole:
        return rowValue(index, -1);
    default:
        return {};
    }
}

QVariant SqlGroupModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_captions[section];
        if (role == Qt::UserRole)
            return m_columns[section];
        return {};
    }
    return QAbstractItemModel::headerData(section, orientation, role);
}

Qt::ItemFlags SqlGroupModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroup(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const QString name = columnName(index.column());
    if (!m_readOnly && !m_readOnlyNames.contains(name.toLower()) && name.compare(m_keyColumn, Qt::CaseInsensitive) != 0)
        result |= Qt::ItemIsEditable;
    return result;
}

QVariant SqlGroupModel::keyAt(const QModelIndex& index) const
{
    return index.isValid() && !isGroup(index) ? rowValue(index, -1) : QVariant();
}

QVariant SqlGroupModel::value(const QModelIndex& index, const QString& column) const
{
    if (!index.isValid() || isGroup(index))
        return {};
    const int at = columnIndex(column);
    if (at >= 0)
        return rowValue(index, at);
    return column.compare(m_keyColumn, Qt::CaseInsensitive) == 0 ? rowValue(index, -1) : QVariant();
}

QVariantMap SqlGroupModel::record(const QModelIndex& index) const
{
    QVariantMap result;
    if (!index.isValid() || isGroup(index) || !keyAt(index).isValid())
        return result;
    for (int i = 0; i < m_columns.size(); ++i)
        result.insert(m_columns[i], rowValue(index, i));
    if (columnIndex(m_keyColumn) < 0)
        result.insert(m_keyColumn, rowValue(index, -1));
    return result;
}

bool SqlGroupModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || isGroup(index) ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    if (!(flags(index) & Qt::ItemIsEditable))
        return fail(QStringLiteral("Column ") + columnName(index.column()) + QStringLiteral(" is read-only"));
    const QVariant key = keyAt(index);
    if (!key.isValid())
        return fail(m_lastError.isEmpty() ? QStringLiteral("The row could not be read") : m_lastError);

    const quint64 generation = this->generation();
    emit aboutToPost(index, value);
    if (generation != this->generation())
        return fail(QStringLiteral("The rows were refreshed before the change was saved"));

    QString message;
    if (!sql::updateCell(m_connectionName, m_table, m_keyColumn, columnName(index.column()), value, key, &message))
        return fail(message);
    Node* leaf = parentNode(index);
    if (!leaf->rows->reload(index.row(), &message)) {
        if (SqlRowWindow::Row* cached = leaf->rows->cachedRow(index.row()))
            cached->values[index.column()] = sql::normalized(sql::toStorage(value));
    }
    emit dataChanged(this->index(index.row(), 0, index.parent()),
                     this->index(index.row(), columnCount() - 1, index.parent()));
    emit posted(index);
    return true;
}

} // namespace pelmora::toolkit
