#include "toolkit/widgets/GridGrouping.h"

#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlModel.h"
#include "toolkit/widgets/GridColumnLayout.h"
#include "toolkit/widgets/GridViewSet.h"
#include "toolkit/widgets/GroupByBox.h"

#include <QMenu>
#include <QScrollBar>
#include <QTreeView>

namespace pelmora::toolkit
{

GridGrouping::GridGrouping(GridColumnLayout& columns, GridViewSet& views, GroupByBox* box)
    : m_columns(columns), m_views(views), m_box(box)
{
    m_box->setVisible(false);
    connect(m_box, &GroupByBox::columnDropped, this,
            [this](const QString& field, int level) { groupBy(field, level); });
    connect(m_box, &GroupByBox::ungroupRequested, this, &GridGrouping::ungroup);
    // A group's rows are read as it opens, even while the tree still waits to lay itself out.
    connect(m_views.tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (QAbstractItemModel* model = m_views.tree->model(); model && model->canFetchMore(index))
            model->fetchMore(index);
    });
    // A big group reports its rows in chunks: the next one as its last row comes into view,
    // wherever the group stands among the others.
    connect(m_views.tree->verticalScrollBar(), &QScrollBar::valueChanged, this, &GridGrouping::fetchInView);
    connect(m_views.tree->verticalScrollBar(), &QScrollBar::rangeChanged, this, &GridGrouping::fetchInView);
}

void GridGrouping::fetchInView()
{
    QTreeView* tree = m_views.tree;
    QAbstractItemModel* model = tree->model();
    if (!model)
        return;
    const int bottom = tree->viewport()->height();
    for (QModelIndex at = tree->indexAt(QPoint(1, 1)); at.isValid(); at = tree->indexBelow(at)) {
        if (tree->visualRect(at).top() > bottom)
            return;
        const QModelIndex group = at.parent();
        if (group.isValid() && at.row() == model->rowCount(group) - 1 && model->canFetchMore(group)) {
            model->fetchMore(group);
            return;
        }
    }
}

// The grid's views are gone by now (they go before its parts), the tree with them.
GridGrouping::~GridGrouping() = default;

void GridGrouping::setModel(QAbstractItemModel* model)
{
    m_model = model;
}

void GridGrouping::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_views.header->setDragOutEnabled(enabled);
    m_views.treeHeader->setDragOutEnabled(enabled);
    if (enabled)
        m_views.header->setSectionsMovable(true);
}

void GridGrouping::setBoxVisible(bool visible)
{
    m_box->setVisible(visible);
}

bool GridGrouping::isBoxVisible() const
{
    return !m_box->isHidden();
}

void GridGrouping::setGroupedColumns(const QStringList& fields)
{
    QStringList known;
    for (const QString& field : fields) {
        const QString name = m_columns.fieldAt(m_columns.modelColumn(field));
        if (!name.isEmpty() && !known.contains(name))
            known << name;
    }
    if (known == m_grouped)
        return;
    m_grouped = known;
    rebuild();
}

void GridGrouping::groupBy(const QString& field, int level)
{
    if (m_columns.modelColumn(field) < 0)
        return;
    QStringList fields = m_grouped;
    fields.removeIf([&](const QString& f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    fields.insert(level < 0 || level > fields.size() ? fields.size() : level, field);
    setGroupedColumns(fields);
}

void GridGrouping::ungroup(const QString& field)
{
    QStringList fields = m_grouped;
    fields.removeIf([&](const QString& f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    setGroupedColumns(fields);
}

void GridGrouping::ungroupAll()
{
    setGroupedColumns({});
}

void GridGrouping::expandAll()
{
    m_views.tree->expandAll();
}

void GridGrouping::collapseAll()
{
    m_views.tree->collapseAll();
}

SqlGroupModel* GridGrouping::model() const
{
    return m_grouped.isEmpty() ? nullptr : m_groupModel.get();
}

bool GridGrouping::isRecord(const QModelIndex& index) const
{
    return m_groupModel && index.model() == m_groupModel.get() && !m_groupModel->isGroup(index);
}

void GridGrouping::refresh()
{
    // A grouped grid shows the same rows as the data set.
    if (m_groupModel && !m_grouped.isEmpty() && prepareModel()) {
        const QList<QVariantList> open = openGroups();
        m_groupModel->refresh();
        reopenGroups(open);
    }
}

void GridGrouping::sortRows(const QString& column, Qt::SortOrder order)
{
    SqlGroupModel* groups = model();
    if (!groups)
        return;
    const QList<QVariantList> open = openGroups();
    groups->setSort(column, order);
    reopenGroups(open);
}

// The groups open in the tree, each by its values from the outermost in, outer groups first.
QList<QVariantList> GridGrouping::openGroups() const
{
    QList<QVariantList> open;
    const QAbstractItemModel* groups = m_views.tree->model();
    if (!groups || groups != m_groupModel.get())
        return open;
    const auto walk = [&](const auto& self, const QModelIndex& parent, const QVariantList& path) -> void {
        // Below the innermost level are the records.
        if (path.size() >= m_grouped.size())
            return;
        for (int row = 0; row < groups->rowCount(parent); ++row) {
            const QModelIndex group = groups->index(row, 0, parent);
            if (!m_views.tree->isExpanded(group))
                continue;
            const QVariantList inner = QVariantList(path) << group.data(SqlGroupModel::GroupValueRole);
            open << inner;
            self(self, group, inner);
        }
    };
    walk(walk, QModelIndex(), {});
    return open;
}

void GridGrouping::reopenGroups(const QList<QVariantList>& open)
{
    const QAbstractItemModel* groups = m_views.tree->model();
    if (!groups || groups != m_groupModel.get())
        return;
    for (const QVariantList& path : open) {
        QModelIndex group;
        for (const QVariant& value : path) {
            QModelIndex found;
            for (int row = 0; row < groups->rowCount(group) && !found.isValid(); ++row)
                if (groups->index(row, 0, group).data(SqlGroupModel::GroupValueRole) == value)
                    found = groups->index(row, 0, group);
            group = found;
            if (!group.isValid())
                break;
        }
        if (group.isValid())
            m_views.tree->expand(group);
    }
}

void GridGrouping::extendMenu(QMenu* menu, const QString& field)
{
    if (!m_enabled)
        return;
    menu->addSeparator();
    QAction* group = menu->addAction(tr("Group by this column"));
    group->setObjectName(QStringLiteral("gridGroupByColumn"));
    connect(group, &QAction::triggered, this, [this, field] { groupBy(field); });
    QAction* box = menu->addAction(tr("Group-by box"));
    box->setObjectName(QStringLiteral("gridGroupByBox"));
    box->setCheckable(true);
    box->setChecked(isBoxVisible());
    connect(box, &QAction::toggled, this, &GridGrouping::setBoxVisible);
}

bool GridGrouping::prepareModel()
{
    const SqlModel* sql = SqlModel::of(m_model);
    if (!sql)
        return false;
    SqlGroupModel* group = m_groupModel.get();
    group->setConnectionName(sql->connectionName());
    group->setTable(sql->table());
    group->setKeyColumn(sql->keyColumn());
    group->setFilter(sql->filter());
    if (!sql->sortColumn().isEmpty())
        group->setSort(sql->sortColumn(), sql->sortOrder());
    // The grouped rows have the captions of the flat ones.
    QStringList captions;
    for (const QString& field : m_columns.fieldNames())
        captions << m_columns.describeField(field).title();
    group->setColumns(m_columns.fieldNames(), captions);
    return true;
}

void GridGrouping::showTable()
{
    m_views.stack->setCurrentWidget(m_views.table);
    m_views.tree->setModel(nullptr);
    if (m_groupModel)
        m_groupModel->close();
    emit viewChanged();
    emit groupingChanged(m_grouped);
}

void GridGrouping::rebuild()
{
    QList<QPair<QString, QString>> chips;
    for (const QString& field : std::as_const(m_grouped))
        chips << qMakePair(field, m_columns.describeField(field).title());
    m_box->setGroups(chips);

    if (m_grouped.isEmpty() || !m_model) {
        showTable();
        return;
    }
    if (!m_groupModel)
        m_groupModel = std::make_unique<SqlGroupModel>();
    if (!prepareModel()) {
        // Grouping needs the data set's table; other models stay flat.
        m_grouped.clear();
        m_box->setGroups({});
        emit groupingChanged(m_grouped);
        return;
    }
    m_groupModel->setGroupColumns(m_grouped);
    if (m_views.tree->model() != m_groupModel.get())
        m_views.tree->setModel(m_groupModel.get());
    if (m_groupModel->isOpen())
        m_groupModel->refresh();
    else
        m_groupModel->open();
    m_columns.copyToTree(int(m_grouped.size()));
    m_views.stack->setCurrentWidget(m_views.tree);
    emit viewChanged();
    emit groupingChanged(m_grouped);
}

} // namespace pelmora::toolkit
