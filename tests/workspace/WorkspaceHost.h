#pragma once

// A program folder with a fresh database, and the orders workspace's three panes side by side
// in a host window as the main window places them: the fixture of the workspace's tests.

#include "common/RecordingUserPort.h"
#include "support/DataFixture.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QHBoxLayout>
#include <QWidget>
#include <functional>
#include <memory>

namespace pelmora::test
{

struct WorkspaceHost : DataFixture {
    ~WorkspaceHost() { host.reset(); }
    // Makes the view in a host window `width` wide (a window made before goes); `bind` runs
    // before the ResetDB that opens the orders. The caller waits for the window to show.
    void makeView(int width, const std::function<void(WorkspaceView&)>& bind = {})
    {
        host = std::make_unique<QWidget>();
        host->resize(width, 700);
        view = new WorkspaceView(data, port, host.get());
        auto* layout = new QHBoxLayout(host.get());
        layout->addWidget(view->inspector());
        layout->addWidget(view->ordersGrid(), 1);
        layout->addWidget(view->itemsGrid());
        if (bind)
            bind(*view);
        data.ResetDB();
        host->show();
    }

    toolkit::DataGrid* grid() const { return view->ordersGrid()->grid(); }
    OrdersWorkspace& workspace() const { return view->workspace(); }
    toolkit::SqlTableModel* orders() const { return view->workspace().DataSourceOrders(); }
    int rowOf(int shopperId) const { return rowOf(orders(), shopperId); }
    int currentNumber() const { return workspace().currentOrder().value(QStringLiteral("ShopperID")).toInt(); }

    // The numbers of the orders the grid shows, top to bottom.
    QList<int> shown() const
    {
        QList<int> numbers;
        for (int row = 0; row < orders()->rowCount(); ++row)
            numbers << orders()->value(row, QStringLiteral("ShopperID")).toInt();
        return numbers;
    }

    // The row of the order numbered shopperId among the orders a model holds, or -1.
    static int rowOf(toolkit::SqlTableModel* orders, int shopperId)
    {
        for (int row = 0; row < orders->rowCount(); ++row)
            if (orders->value(row, QStringLiteral("ShopperID")).toInt() == shopperId)
                return row;
        return -1;
    }

    RecordingUserPort port;
    std::unique_ptr<QWidget> host;
    WorkspaceView* view = nullptr;
};

} // namespace pelmora::test
