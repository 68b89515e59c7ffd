#pragma once

#include <QObject>

namespace pelmora
{

class MainWindow;
class WorkspaceView;
struct ExportDataSet;

// Wires "E&xport orders" and "Export &items" (menu and toolbar) to the export dialogs over the
// workspace's data sets, and enables them. The item export works on the item query until the
// view is first switched ("View archived orders" or "Reload current orders"); from then on on
// the items of the focused order of the view shown.
class ExportInstaller : public QObject
{
    Q_OBJECT
  public:
    static ExportInstaller* install(MainWindow& window, WorkspaceView& view);

    void exportOrders();
    void exportItems();
    bool itemsFollowView() const { return itemsFollowView_; }

  private:
    ExportInstaller(MainWindow& window, WorkspaceView& view);
    void runDialog(const ExportDataSet& data, const QString& caption, const QString& rowsName);

    MainWindow& window_;
    WorkspaceView& view_;
    bool itemsFollowView_ = false;
};

} // namespace pelmora
