#include "toolkit/widgets/DataGridPrivate.h"

#include "toolkit/SqlTableModel.h"

#include <QHeaderView>
#include <QSqlIndex>
#include <QSqlTableModel>

namespace pelmora::toolkit
{

// --- grouping ---

void DataGrid::setGroupingEnabled(bool enabled)
{
    d->groupingEnabled = enabled;
    d->header->setDragOutEnabled(enabled);
    d->treeHeader->setDragOutEnabled(enabled);
    if (enabled)
        d->header->setSectionsMovable(true);
}

bool DataGrid::isGroupingEnabled() const
{
    return d->groupingEnabled;
}

void DataGrid::setGroupByBoxVisible(bool visible)
{
    d->groupBox->setVisible(visible);
}

bool DataGrid::isGroupByBoxVisible() const
{
    return !d->groupBox->isHidden();
}

void DataGrid::setGroupedColumns(const QStringList& fields)
{
    QStringList known;
    for (const QString& field : fields)
        if (modelColumn(field) >= 0 && !known.contains(fieldAt(modelColumn(field))))
            known << fieldAt(modelColumn(field));
    if (known == d->grouped)
        return;
    d->grouped = known;
    rebuildGroups();
}

QStringList DataGrid::groupedColumns() const
{
    return d->grouped;
}

void DataGrid::groupByColumn(const QString& field, int level)
{
    if (modelColumn(field) < 0)
        return;
    QStringList fields = d->grouped;
    fields.removeIf([&](const QString& f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    fields.insert(level < 0 || level > fields.size() ? fields.size() : level, field);
    setGroupedColumns(fields);
}

void DataGrid::ungroupColumn(const QString& field)
{
    QStringList fields = d->grouped;
    fields.removeIf([&](const QString& f) { return f.compare(field, Qt::CaseInsensitive) == 0; });
    setGroupedColumns(fields);
}

void DataGrid::ungroupAll()
{
    setGroupedColumns({});
}

void DataGrid::expandAllGroups()
{
    d->tree->expandAll();
}

void DataGrid::collapseAllGroups()
{
    d->tree->collapseAll();
}

bool DataGrid::prepareGroupModel()
{
    auto* group = d->groupModel.get();
    if (auto* sql = qobject_cast<SqlTableModel*>(d->model.data())) {
        group->setConnectionName(sql->connectionName());
        group->setTable(sql->table());
        group->setKeyColumn(sql->keyColumn());
        group->setFilter(sql->filter());
        if (!sql->sortColumn().isEmpty())
            group->setSort(sql->sortColumn(), sql->sortOrder());
    } else if (auto* table = qobject_cast<QSqlTableModel*>(d->model.data())) {
        group->setConnectionName(table->database().connectionName());
        group->setTable(table->tableName());
        const QSqlIndex key = table->primaryKey();
        group->setKeyColumn(key.count() == 1 ? key.fieldName(0) : QStringLiteral("rowid"));
        group->setFilter(table->filter());
    } else {
        return false;
    }
    // The grouped rows have the captions of the flat ones.
    QStringList captions;
    for (const QString& field : std::as_const(d->fieldNames)) {
        const GridColumn* c = column(field);
        captions << (c ? c->title() : field);
    }
    group->setColumns(d->fieldNames, captions);
    return true;
}

void DataGrid::rebuildGroups()
{
    const QList<QPair<QString, QString>> chips = [this] {
        QList<QPair<QString, QString>> out;
        for (const QString& field : std::as_const(d->grouped)) {
            const GridColumn* c = column(field);
            out << qMakePair(field, c ? c->title() : field);
        }
        return out;
    }();
    d->groupBox->setGroups(chips);

    if (d->grouped.isEmpty() || !d->model) {
        d->stack->setCurrentWidget(d->table);
        d->navigator->setView(d->table);
        d->tree->setModel(nullptr);
        if (d->groupModel)
            d->groupModel->close();
        settleCurrent();
        emit groupingChanged(d->grouped);
        return;
    }
    if (!d->groupModel) {
        d->groupModel = std::make_unique<SqlGroupModel>();
    }
    if (!prepareGroupModel()) {
        // Grouping needs the data set's table; other models stay flat.
        d->grouped.clear();
        d->groupBox->setGroups({});
        emit groupingChanged(d->grouped);
        return;
    }
    d->groupModel->setGroupColumns(d->grouped);
    if (d->tree->model() != d->groupModel.get()) {
        d->tree->setModel(d->groupModel.get());
        connect(d->tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
            if (currentView() == d->tree)
                onCurrentChanged();
        });
    }
    if (d->groupModel->isOpen())
        d->groupModel->refresh();
    else
        d->groupModel->open();
    // The tree shows the columns as the table does.
    QHeaderView* treeHeader = d->tree->header();
    treeHeader->setSectionsMovable(true);
    for (int visual = 0; visual < d->header->count(); ++visual) {
        const int logical = d->header->logicalIndex(visual);
        const int from = treeHeader->visualIndex(logical);
        if (from != visual)
            treeHeader->moveSection(from, visual);
        d->tree->setColumnHidden(logical, d->header->isSectionHidden(logical));
        d->tree->setColumnWidth(logical, d->header->sectionSize(logical));
    }
    placeTreeDecoration();
    d->stack->setCurrentWidget(d->tree);
    d->navigator->setView(d->tree);
    settleCurrent();
    emit groupingChanged(d->grouped);
}

void DataGrid::placeTreeDecoration()
{
    // The expand buttons sit in the first column shown (the model's first is often hidden).
    QHeaderView* header = d->tree->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) {
            d->tree->setTreePosition(logical);
            return;
        }
    }
}

} // namespace pelmora::toolkit
