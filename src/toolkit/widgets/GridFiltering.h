#pragma once

#include "toolkit/widgets/GridFilter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <functional>

class QAbstractItemModel;
class QWidget;

namespace pelmora::toolkit
{

class FilterBar;
class GridColumnLayout;
class HeaderFilterPopup;
struct GridViewSet;

// The filter of a grid: its conditions (GridFilter), the header drop-downs that set one column's
// condition, the condition builder, the filter bar under the rows, the filtered marks on the
// headers, and the text handed to the data set. Filtering is case-insensitive and treats empty
// values softly (GridFilter's rules).
class GridFiltering : public QObject
{
    Q_OBJECT

  public:
    // Installs the grid's filter text on the data set ("" when the filter is empty or switched
    // off). Without one, the grid filters a SQL model itself with the SQL form of its conditions.
    using Installer = std::function<void(const QString& expression)>;
    using ValueProvider = std::function<QVariantList(const QString& field)>;

    GridFiltering(GridColumnLayout& columns, GridViewSet& views, FilterBar* bar, QWidget* grid);

    void setModel(QAbstractItemModel* model) { m_model = model; }

    void setEnabled(bool enabled); // the header filter buttons
    bool isEnabled() const { return m_enabled; }

    const GridFilter& filter() const { return m_filter; }
    void setFilter(const GridFilter& filter);
    // The condition of one column, as its header drop-down sets it (an empty one clears it).
    void setColumnFilter(const QString& field, const FilterCondition& condition);
    void clear();
    void setActive(bool active);
    // The text handed to the data set: the filter's expression, "" when empty or switched off.
    QString text() const;

    void setInstaller(Installer installer) { m_installer = std::move(installer); }
    // The values a column's drop-down offers (default: distinct values from the model's table, or
    // from the rows the model holds).
    void setValueProvider(ValueProvider provider) { m_valueProvider = std::move(provider); }
    QVariantList values(const QString& field) const;

    // Opens a column's filter drop-down under its header (returned for tests; it closes itself).
    HeaderFilterPopup* showHeaderFilter(const QString& field);
    void showBuilder();

  signals:
    // The data set took the filter: the views show its rows now.
    void rowsFiltered();
    // The filter text changed (already installed on the data set when this fires).
    void expressionChanged(const QString& expression);

  private:
    void apply();

    GridColumnLayout& m_columns;
    GridViewSet& m_views;
    FilterBar* m_bar;
    QWidget* m_grid;
    QPointer<QAbstractItemModel> m_model;
    GridFilter m_filter;
    Installer m_installer;
    ValueProvider m_valueProvider;
    bool m_enabled = false;
};

} // namespace pelmora::toolkit
