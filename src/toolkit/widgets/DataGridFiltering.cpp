#include "toolkit/widgets/ConditionBuilderDialog.h"
#include "toolkit/widgets/DataGridPrivate.h"
#include "toolkit/widgets/DisplayFormat.h"
#include "toolkit/widgets/HeaderFilterPopup.h"

#include "toolkit/LookupList.h"
#include "toolkit/SqlTableModel.h"

#include <QHeaderView>
#include <QSet>
#include <QSqlTableModel>

namespace pelmora::toolkit
{

// --- filtering ---

void DataGrid::setFilteringEnabled(bool enabled)
{
    d->filtering = enabled;
    d->header->setFilterButtonsVisible(enabled);
    d->treeHeader->setFilterButtonsVisible(enabled);
}

bool DataGrid::isFilteringEnabled() const
{
    return d->filtering;
}

const GridFilter& DataGrid::filter() const
{
    return d->filter;
}

void DataGrid::setFilter(const GridFilter& filter)
{
    d->filter = filter;
    applyFilter();
}

void DataGrid::setColumnFilter(const QString& field, const FilterCondition& condition)
{
    d->filter.setColumnCondition(field, condition);
    d->filter.setActive(true);
    applyFilter();
}

QString DataGrid::filterText() const
{
    return d->filter.isActive() ? d->filter.toExpression() : QString();
}

void DataGrid::clearFilter()
{
    d->filter.clear();
    d->filter.setActive(true);
    applyFilter();
}

void DataGrid::setFilterActive(bool active)
{
    d->filter.setActive(active);
    applyFilter();
}

void DataGrid::setFilterInstaller(FilterInstaller installer)
{
    d->filterInstaller = std::move(installer);
}

void DataGrid::setFilterValueProvider(std::function<QVariantList(const QString&)> provider)
{
    d->valueProvider = std::move(provider);
}

QVariantList DataGrid::filterValues(const QString& field) const
{
    if (d->valueProvider)
        return d->valueProvider(field);
    constexpr int kMaxValues = 1000;
    QString connection;
    QString table;
    if (auto* sql = qobject_cast<SqlTableModel*>(d->model.data())) {
        connection = sql->connectionName();
        table = sql->table();
    } else if (auto* t = qobject_cast<QSqlTableModel*>(d->model.data())) {
        connection = t->database().connectionName();
        table = t->tableName();
    }
    QVariantList values;
    if (!table.isEmpty()) // from the database, never by walking every row
        return LookupList::load(connection, table, field, kMaxValues).values;
    const int logical = modelColumn(field);
    if (!d->model || logical < 0)
        return values;
    QSet<QString> seen;
    for (int row = 0; row < qMin(d->model->rowCount(), kMaxValues); ++row) {
        const QVariant value = d->model->index(row, logical).data(Qt::EditRole);
        if (!DisplayFormat::isBlank(value) && !seen.contains(value.toString())) {
            seen.insert(value.toString());
            values << value;
        }
    }
    std::sort(values.begin(), values.end(),
              [](const QVariant& a, const QVariant& b) { return QVariant::compare(a, b) == QPartialOrdering::Less; });
    return values;
}

GridColumn DataGrid::describeField(const QString& field) const
{
    if (const GridColumn* c = column(field))
        return *c;
    GridColumn plain;
    plain.field = field;
    return plain;
}

HeaderFilterPopup* DataGrid::showHeaderFilter(const QString& field)
{
    const int logical = modelColumn(field);
    if (logical < 0)
        return nullptr;
    auto* popup = new HeaderFilterPopup(describeField(field), filterValues(fieldAt(logical)), this);
    const QString name = fieldAt(logical);
    connect(popup, &HeaderFilterPopup::conditionChosen, this,
            [this, name](const FilterCondition& condition) { setColumnFilter(name, condition); });
    connect(popup, &HeaderFilterPopup::customRequested, this, [this] {
        // After the drop-down has closed.
        QMetaObject::invokeMethod(this, &DataGrid::showFilterBuilder, Qt::QueuedConnection);
    });
    QHeaderView* header = currentView() == d->tree ? static_cast<QHeaderView*>(d->treeHeader) : d->header;
    const QRect section(header->mapToGlobal(QPoint(header->sectionViewportPosition(logical), 0)),
                        QSize(header->sectionSize(logical), header->height()));
    popup->popupBelow(section);
    return popup;
}

void DataGrid::showFilterBuilder()
{
    QList<GridColumn> offered;
    for (const QString& field : std::as_const(d->fieldNames)) {
        const GridColumn c = describeField(field);
        if (c.filterable && (d->columns.isEmpty() || column(field)))
            offered << c;
    }
    ConditionBuilderDialog dialog(offered, d->filter.root(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    d->filter.setRoot(dialog.condition());
    d->filter.setActive(true);
    applyFilter();
}

void DataGrid::applyFilter()
{
    const QString text = filterText();
    if (d->filterInstaller) {
        d->filterInstaller(text);
    } else {
        const QString where = d->filter.isActive() ? d->filter.toSql() : QString();
        if (auto* sql = qobject_cast<SqlTableModel*>(d->model.data()))
            sql->setFilter(where);
        else if (auto* table = qobject_cast<QSqlTableModel*>(d->model.data())) {
            table->setFilter(where);
            table->select();
        }
    }
    // A grouped grid shows the same rows as the data set.
    if (d->groupModel && !d->grouped.isEmpty() && prepareGroupModel())
        d->groupModel->refresh();

    d->filterBar->setExpression(d->filter.toExpression(), d->filter.isActive());
    d->filterBar->setVisible(!d->filter.isEmpty());
    QSet<int> filtered;
    for (const QString& field : d->filter.filteredFields())
        if (modelColumn(field) >= 0)
            filtered.insert(modelColumn(field));
    d->header->setFilteredSections(filtered);
    d->treeHeader->setFilteredSections(filtered);
    // The current record stays while the filter lets it through; otherwise the first row.
    settleCurrent();
    emit filterExpressionChanged(text);
}

} // namespace pelmora::toolkit
