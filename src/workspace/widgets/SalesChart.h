#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class QChartView;
class QComboBox;
class QLabel;
class QToolButton;

namespace pelmora
{

class OrdersWorkspace;

// The "Sales Chart" tab: a chart over the orders that DataSourceOrders shows (with its filter),
// the payment method as category, the order date as data group (all dates, or one) and the sum
// of Total as value; 15 categories a page. Its toolbox has a customise button (legend, value
// labels) and a diagram selector. The figures are read from the database by SQL, and only
// while the tab is shown.
class SalesChart : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kCategoriesPerPage = 15;
    enum class Diagram { Column, Bar, Line, Area, Pie };

    explicit SalesChart(OrdersWorkspace& workspace, QWidget* parent = nullptr);
    ~SalesChart() override;

    // A shown chart reads its figures at once and after every change of the data set.
    void setActive(bool active);
    bool isActive() const { return active_; }
    // Reads the figures and the data groups again (throws nothing; failures are logged).
    void reload();

    // (payment method, sum of Total) of the current data group, every page.
    const QList<QPair<QString, double>>& figures() const { return figures_; }
    // The order dates offered as data groups, as stored (yyyy-MM-dd); the empty group is all.
    const QStringList& dataGroups() const { return groups_; }
    QString dataGroup() const { return group_; }
    void setDataGroup(const QString& storedDate);

    int page() const { return page_; }
    int pageCount() const;
    void setPage(int page);

    Diagram diagram() const { return diagram_; }
    void setDiagram(Diagram diagram);
    QChartView* view() const { return view_; }

  private:
    void readFigures();
    void readGroups();
    void render();

    OrdersWorkspace& workspace_;
    QChartView* view_ = nullptr;
    QComboBox* groupSelector_ = nullptr;
    QComboBox* diagramSelector_ = nullptr;
    QToolButton* customize_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QList<QPair<QString, double>> figures_;
    QStringList groups_;
    QString group_;
    Diagram diagram_ = Diagram::Column;
    int page_ = 0;
    bool active_ = false;
    bool dirty_ = true;
    bool legend_ = true;
    bool labels_ = false;
};

} // namespace pelmora
