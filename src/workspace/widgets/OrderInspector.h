#pragma once

#include <QWidget>

class QSettings;

namespace pelmora
{

class OrdersWorkspace;

namespace toolkit
{
class CategoryInspector;
}

// InspectorOrders4: every field of the current order of DataSourceOrders in six collapsible
// categories. Edits post at once; a change of Status here posts but never sets StatusChanged.
// The "E-mail" row is a link: a click reports emailRequested().
class OrderInspector : public QWidget
{
    Q_OBJECT
  public:
    static const QStringList& categoryCaptions();

    explicit OrderInspector(OrdersWorkspace& workspace, QWidget* parent = nullptr);

    toolkit::CategoryInspector* inspector() const { return inspector_; }

    // "Width" and each category's "Expanded".
    void saveLayout(QSettings& settings) const;
    void restoreLayout(const QSettings& settings);

  signals:
    void emailRequested();

  private:
    void bindModel();

    OrdersWorkspace& workspace_;
    toolkit::CategoryInspector* inspector_ = nullptr;
};

} // namespace pelmora
