#include "toolkit/SqlModel.h"

#include "toolkit/SqlUtil.h"

#include <QMetaObject>
#include <QSqlDatabase>

#include <algorithm>

namespace pelmora::toolkit
{

SqlModel::SqlModel(QObject* parent) : QAbstractItemModel(parent)
{
}

SqlModel* SqlModel::of(QAbstractItemModel* model)
{
    return qobject_cast<SqlModel*>(model);
}

bool SqlModel::setFilter(const QString& sqlWhere, const QList<FilterInOrder>& inOrder)
{
    m_filter = sqlWhere.trimmed();
    m_filterInOrder = inOrder;
    return m_open ? reset(true) : true;
}

bool SqlModel::setSort(const QString& column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    return m_open ? reset(true) : true;
}

void SqlModel::sort(int column, Qt::SortOrder order)
{
    setSort(columnName(column), order);
}

void SqlModel::setColumnReadOnly(const QString& name, bool readOnly)
{
    if (readOnly)
        m_readOnlyNames.insert(name.toLower());
    else
        m_readOnlyNames.remove(name.toLower());
}

bool SqlModel::isColumnReadOnly(const QString& name) const
{
    return m_readOnly || name.isEmpty() || m_readOnlyNames.contains(name.toLower()) ||
           name.compare(m_keyColumn, Qt::CaseInsensitive) == 0;
}

void SqlModel::setPageSize(int rows)
{
    m_pageSize = std::max(1, rows);
}

void SqlModel::setMaxCachedPages(int pages)
{
    m_maxPages = std::max(2, pages);
    pageLimitChanged();
}

bool SqlModel::open()
{
    m_open = true;
    return reset(true);
}

bool SqlModel::refresh()
{
    return open();
}

void SqlModel::close()
{
    m_open = false;
    reset(false);
}

bool SqlModel::reset(bool keepOpen)
{
    ++m_notifying;
    beginResetModel();
    ++m_generation;
    const bool ok = reload(keepOpen);
    endResetModel();
    --m_notifying;
    return ok;
}

bool SqlModel::fail(const QString& message) const
{
    m_lastError = message;
    emit const_cast<SqlModel*>(this)->error(message);
    return false;
}

void SqlModel::failLater(const QString& message) const
{
    m_lastError = message;
    auto* self = const_cast<SqlModel*>(this);
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        self,
        [self, generation, message] {
            if (self->m_generation == generation)
                emit self->error(message);
        },
        Qt::QueuedConnection);
}

bool SqlModel::connectionOpen() const
{
    return QSqlDatabase::database(m_connectionName, false).isOpen() ||
           fail(QStringLiteral("The database connection is not open"));
}

bool SqlModel::resolveColumns(const QStringList& needed)
{
    const QStringList existing = sql::tableColumns(m_connectionName, m_table);
    if (existing.isEmpty())
        return fail(QStringLiteral("no such table: ") + m_table);
    const QStringList columns = m_requestedColumns.isEmpty() ? existing : m_requestedColumns;
    const QString missing = sql::missingColumn(existing, QStringList(columns) << m_keyColumn << needed);
    if (!missing.isEmpty()) {
        m_columns.clear();
        m_captions.clear();
        return fail(missing);
    }
    useColumns(columns);
    return true;
}

void SqlModel::useColumns(const QStringList& columns)
{
    m_columns = columns;
    m_captions.clear();
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString caption = m_requestedCaptions.value(i);
        m_captions << (caption.isEmpty() ? m_columns[i] : caption);
    }
}

} // namespace pelmora::toolkit
