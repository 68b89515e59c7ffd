#pragma once

#include <QWidget>

class QTabWidget;

namespace pelmora
{

class OrdersWorkspace;

namespace toolkit
{
class DataGrid;
}

// The items of the current order (DataSourceItems), on one tab "Items": Qty, ProductCode,
// Product, Units, Price and Amount, fitted to the grid's width, with a navigator offering
// previous, next, insert, delete and post.
class ItemsGrid : public QWidget
{
    Q_OBJECT
  public:
    static inline const QString kItemsTab = QStringLiteral("Items");

    explicit ItemsGrid(OrdersWorkspace& workspace, QWidget* parent = nullptr);

    toolkit::DataGrid* grid() const { return grid_; }

  private:
    void bindModel();

    OrdersWorkspace& workspace_;
    QTabWidget* tabs_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
};

} // namespace pelmora
