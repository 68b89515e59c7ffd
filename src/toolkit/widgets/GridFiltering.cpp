#include "toolkit/widgets/GridFiltering.h"

#include "toolkit/LookupList.h"
#include "toolkit/SqlModel.h"
#include "toolkit/widgets/ConditionBuilderDialog.h"
#include "toolkit/widgets/DisplayFormat.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridColumnLayout.h"
#include "toolkit/widgets/GridViewSet.h"
#include "toolkit/widgets/HeaderFilterPopup.h"

#include <QAbstractItemModel>
#include <QSet>

#include <algorithm>

namespace pelmora::toolkit
{

namespace
{
constexpr int kMaxValues = 1000;
}

GridFiltering::GridFiltering(GridColumnLayout& columns, GridViewSet& views, FilterBar* bar, QWidget* grid)
    : m_columns(columns), m_views(views), m_bar(bar), m_grid(grid)
{
    m_bar->setVisible(false);
    connect(m_bar, &FilterBar::activeToggled, this, &GridFiltering::setActive);
    connect(m_bar, &FilterBar::clearClicked, this, &GridFiltering::clear);
    connect(m_bar, &FilterBar::customizeClicked, this, &GridFiltering::showBuilder);
    for (GridHeaderView* header : {m_views.header, m_views.treeHeader}) {
        header->setFilterableTest([this](int logical) {
            const GridColumn* c = m_columns.describe(logical);
            return !c || c->filterable;
        });
        connect(header, &GridHeaderView::filterButtonClicked, this,
                [this](int logical, const QRect&) { showHeaderFilter(m_columns.fieldAt(logical)); });
    }
}

void GridFiltering::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_views.header->setFilterButtonsVisible(enabled);
    m_views.treeHeader->setFilterButtonsVisible(enabled);
}

void GridFiltering::setFilter(const GridFilter& filter)
{
    m_filter = filter;
    apply();
}

void GridFiltering::setColumnFilter(const QString& field, const FilterCondition& condition)
{
    m_filter.setColumnCondition(field, condition);
    m_filter.setActive(true);
    apply();
}

void GridFiltering::clear()
{
    m_filter.clear();
    m_filter.setActive(true);
    apply();
}

void GridFiltering::setActive(bool active)
{
    m_filter.setActive(active);
    apply();
}

QString GridFiltering::text() const
{
    return m_filter.isActive() ? m_filter.toExpression() : QString();
}

QVariantList GridFiltering::values(const QString& field) const
{
    if (m_valueProvider)
        return m_valueProvider(field);
    // From the database, never by walking every row.
    if (const SqlModel* sql = SqlModel::of(m_model); sql && !sql->table().isEmpty())
        return LookupList::load(sql->connectionName(), sql->table(), field, kMaxValues).values;
    QVariantList values;
    const int logical = m_columns.modelColumn(field);
    if (!m_model || logical < 0)
        return values;
    QSet<QString> seen;
    for (int row = 0; row < qMin(m_model->rowCount(), kMaxValues); ++row) {
        const QVariant value = m_model->index(row, logical).data(Qt::EditRole);
        if (!DisplayFormat::isBlank(value) && !seen.contains(value.toString())) {
            seen.insert(value.toString());
            values << value;
        }
    }
    std::sort(values.begin(), values.end(),
              [](const QVariant& a, const QVariant& b) { return QVariant::compare(a, b) == QPartialOrdering::Less; });
    return values;
}

HeaderFilterPopup* GridFiltering::showHeaderFilter(const QString& field)
{
    const int logical = m_columns.modelColumn(field);
    if (logical < 0)
        return nullptr;
    const QString name = m_columns.fieldAt(logical);
    auto* popup = new HeaderFilterPopup(m_columns.describeField(name), values(name), m_grid);
    connect(popup, &HeaderFilterPopup::conditionChosen, this,
            [this, name](const FilterCondition& condition) { setColumnFilter(name, condition); });
    connect(popup, &HeaderFilterPopup::customRequested, this, [this] {
        // After the drop-down has closed.
        QMetaObject::invokeMethod(this, &GridFiltering::showBuilder, Qt::QueuedConnection);
    });
    const QHeaderView* header = m_views.currentHeader();
    const QRect section(header->mapToGlobal(QPoint(header->sectionViewportPosition(logical), 0)),
                        QSize(header->sectionSize(logical), header->height()));
    popup->popupBelow(section);
    return popup;
}

void GridFiltering::showBuilder()
{
    QList<GridColumn> offered;
    const bool described = !m_columns.list().isEmpty();
    for (const QString& field : m_columns.fieldNames()) {
        const GridColumn c = m_columns.describeField(field);
        if (c.filterable && (!described || m_columns.column(field)))
            offered << c;
    }
    ConditionBuilderDialog dialog(offered, m_filter.root(), m_grid);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_filter.setRoot(dialog.condition());
    m_filter.setActive(true);
    apply();
}

void GridFiltering::apply()
{
    const QString expression = text();
    if (m_installer)
        m_installer(expression);
    else if (SqlModel* sql = SqlModel::of(m_model))
        sql->setFilter(m_filter.isActive() ? m_filter.toSql() : QString());
    emit rowsFiltered();

    m_bar->setExpression(m_filter.toExpression(), m_filter.isActive());
    m_bar->setVisible(!m_filter.isEmpty());
    QSet<int> filtered;
    for (const QString& field : m_filter.filteredFields())
        if (m_columns.modelColumn(field) >= 0)
            filtered.insert(m_columns.modelColumn(field));
    m_views.header->setFilteredSections(filtered);
    m_views.treeHeader->setFilteredSections(filtered);
    emit expressionChanged(expression);
}

} // namespace pelmora::toolkit
