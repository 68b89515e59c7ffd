#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QHeaderView;
class QMenu;
class QPoint;
class QWidget;

namespace pelmora::toolkit
{

class GridColumnLayout;
struct GridViewSet;

// The menu a grid's column header opens: fitting the column (or every column) to its contents,
// column auto-width, the entries other parts add for the column (grouping), and the quick
// check list of the described columns that shows and hides them.
class GridColumnMenu : public QObject
{
    Q_OBJECT

  public:
    // Adds entries of other parts to a column's menu.
    using Extension = std::function<void(QMenu* menu, const QString& field)>;

    GridColumnMenu(GridColumnLayout& columns, GridViewSet& views, QWidget* grid);

    // Whether the menu offers the check list of columns.
    void setCustomizationAllowed(bool allowed) { m_customization = allowed; }
    void setExtension(Extension extension) { m_extension = std::move(extension); }
    // The menu for a model column (-1: outside every column, only the entries for all of them).
    QMenu* create(int modelColumn, QWidget* parent);

  private:
    void popUp(QHeaderView* header, const QPoint& pos);
    void fitAll();

    GridColumnLayout& m_columns;
    QWidget* m_grid;
    Extension m_extension;
    bool m_customization = true;
};

} // namespace pelmora::toolkit
