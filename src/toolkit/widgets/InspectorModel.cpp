#include "toolkit/widgets/InspectorModel.h"

#include "toolkit/SqlTableModel.h"

#include <QFont>
#include <QSqlQueryModel>
#include <QSqlRecord>

namespace pelmora::toolkit
{

struct InspectorModel::Node {
    Node* parent = nullptr;
    int row = 0;
    bool category = false;
    QString caption;
    GridColumn column;
    int sourceColumn = -1;
    std::vector<std::unique_ptr<Node>> children;

    Node* add(std::unique_ptr<Node> child)
    {
        child->parent = this;
        child->row = int(children.size());
        children.push_back(std::move(child));
        return children.back().get();
    }
};

InspectorModel::InspectorModel(QObject* parent) : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
}

InspectorModel::~InspectorModel() = default;

void InspectorModel::setCategories(const QList<InspectorCategory>& categories)
{
    beginResetModel();
    m_root = std::make_unique<Node>();
    std::function<void(Node*, const QList<InspectorRow>&)> addRows = [&](Node* parent,
                                                                         const QList<InspectorRow>& rows) {
        for (const InspectorRow& row : rows) {
            if (!row.column.visible)
                continue;
            auto node = std::make_unique<Node>();
            node->caption = row.column.title();
            node->column = row.column;
            Node* added = parent->add(std::move(node));
            addRows(added, row.children);
        }
    };
    for (const InspectorCategory& category : categories) {
        auto node = std::make_unique<Node>();
        node->category = true;
        node->caption = category.caption;
        Node* added = m_root->add(std::move(node));
        addRows(added, category.rows);
    }
    resolveColumns();
    endResetModel();
}

void InspectorModel::setSource(QAbstractItemModel* source)
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    m_row = -1;
    if (source) {
        m_connections << connect(source, &QAbstractItemModel::dataChanged, this,
                                 [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                                     if (m_row >= topLeft.row() && m_row <= bottomRight.row())
                                         refreshValues();
                                 })
                      << connect(source, &QAbstractItemModel::modelReset, this,
                                 [this] {
                                     resolveColumns();
                                     if (m_row >= m_source->rowCount())
                                         m_row = -1;
                                     refreshValues();
                                 })
                      << connect(source, &QAbstractItemModel::rowsRemoved, this,
                                 [this](const QModelIndex&, int first, int last) {
                                     if (m_row > last)
                                         m_row -= last - first + 1;
                                     else if (m_row >= first)
                                         m_row = -1;
                                     refreshValues();
                                 });
    }
    resolveColumns();
    refreshValues();
}

QAbstractItemModel* InspectorModel::source() const
{
    return m_source;
}

void InspectorModel::setCurrentRow(int row)
{
    if (!m_source || row < 0 || row >= m_source->rowCount())
        row = -1;
    m_row = row;
    refreshValues();
}

int InspectorModel::currentRow() const
{
    return m_row;
}

void InspectorModel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

int InspectorModel::sourceColumnOf(const QString& field) const
{
    if (!m_source)
        return -1;
    if (auto* sql = qobject_cast<SqlTableModel*>(m_source.data()))
        return sql->columnIndex(field);
    if (auto* query = qobject_cast<QSqlQueryModel*>(m_source.data())) {
        const QSqlRecord record = query->record();
        for (int c = 0; c < record.count(); ++c)
            if (record.fieldName(c).compare(field, Qt::CaseInsensitive) == 0)
                return c;
        return -1;
    }
    for (int c = 0; c < m_source->columnCount(); ++c)
        if (m_source->headerData(c, Qt::Horizontal, Qt::EditRole).toString().compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void InspectorModel::resolveColumns()
{
    std::function<void(Node*)> walk = [&](Node* node) {
        if (!node->category && node != m_root.get())
            node->sourceColumn = sourceColumnOf(node->column.field);
        for (auto& child : node->children)
            walk(child.get());
    };
    walk(m_root.get());
}

void InspectorModel::refreshValues()
{
    // Every value row may have changed; categories keep their captions.
    std::function<void(Node*)> walk = [&](Node* node) {
        if (node->children.empty())
            return;
        const QModelIndex parentIndex = node == m_root.get() ? QModelIndex() : createIndex(node->row, 0, node);
        emit dataChanged(index(0, 1, parentIndex), index(int(node->children.size()) - 1, 1, parentIndex));
        for (auto& child : node->children)
            walk(child.get());
    };
    walk(m_root.get());
}

InspectorModel::Node* InspectorModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex InspectorModel::sourceIndex(const Node* node) const
{
    if (!m_source || m_row < 0 || node->category || node->sourceColumn < 0)
        return {};
    return m_source->index(m_row, node->sourceColumn);
}

const GridColumn* InspectorModel::columnAt(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    const Node* node = nodeOf(index);
    return node->category ? nullptr : &node->column;
}

bool InspectorModel::isCategory(const QModelIndex& index) const
{
    return index.isValid() && nodeOf(index)->category;
}

QModelIndex InspectorModel::categoryIndex(const QString& caption) const
{
    for (const auto& child : m_root->children)
        if (child->caption == caption)
            return createIndex(child->row, 0, child.get());
    return {};
}

QModelIndex InspectorModel::fieldIndex(const QString& field, int column) const
{
    QModelIndex found;
    std::function<void(Node*)> walk = [&](Node* node) {
        for (auto& child : node->children) {
            if (found.isValid())
                return;
            if (!child->category && child->column.field.compare(field, Qt::CaseInsensitive) == 0) {
                found = createIndex(child->row, column, child.get());
                return;
            }
            walk(child.get());
        }
    };
    walk(m_root.get());
    return found;
}

QModelIndex InspectorModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (row < 0 || column < 0 || column > 1 || row >= int(node->children.size()))
        return {};
    return createIndex(row, column, node->children[size_t(row)].get());
}

QModelIndex InspectorModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const Node* node = nodeOf(child);
    if (!node->parent || node->parent == m_root.get())
        return {};
    return createIndex(node->parent->row, 0, node->parent);
}

int InspectorModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int InspectorModel::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant InspectorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Node* node = nodeOf(index);
    if (index.column() == 0) {
        if (role == Qt::DisplayRole)
            return node->caption;
        if (role == Qt::FontRole && node->category) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    const QModelIndex source = sourceIndex(node);
    return source.isValid() ? source.data(role == Qt::ToolTipRole ? Qt::DisplayRole : role) : QVariant();
}

bool InspectorModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != 1 || m_readOnly)
        return false;
    const Node* node = nodeOf(index);
    const QModelIndex source = sourceIndex(node);
    if (!source.isValid() || node->column.readOnly)
        return false;
    // The source reports the change; refreshValues() repaints from it.
    return m_source->setData(source, value, Qt::EditRole);
}

Qt::ItemFlags InspectorModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Node* node = nodeOf(index);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 1 && !node->category && !node->column.readOnly && !m_readOnly) {
        const QModelIndex source = sourceIndex(node);
        if (source.isValid() && (source.flags() & Qt::ItemIsEditable))
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

} // namespace pelmora::toolkit
