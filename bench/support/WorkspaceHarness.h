#pragma once

// What the benchmarks of the orders workspace share: the workspace laid out as the main window
// shows it, drawing what a view shows, a timed filter, and the sqlite3 shell's own time for a
// script. Header only; a benchmark using it links pelmora_workspace_widgets.

#include "support/Figures.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/GridFilter.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHBoxLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace pelmora::bench
{

// Draws what the view shows now: the rows in view are read, as a merchant would see them.
inline void paint(QAbstractItemView* view)
{
    QApplication::processEvents();
    view->viewport()->grab();
}

// The sqlite3 shell's own time for a script of statements (the sum of its "Run Time: real"),
// the script stopping at the first error. Throws std::runtime_error.
inline double shellMs(const QString& sqlite3, const QString& database, const QStringList& statements)
{
    QProcess shell;
    shell.start(sqlite3, {QStringLiteral("-batch"), database});
    if (!shell.waitForStarted())
        throw std::runtime_error(QStringLiteral("cannot start %1").arg(sqlite3).toStdString());
    QByteArray script = ".timer on\n.bail on\n.output /dev/null\n";
    for (const QString& s : statements)
        script += s.toUtf8() + ";\n";
    shell.write(script);
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    const QString output = QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError());
    static const QRegularExpression realTime(QStringLiteral("Run Time: real ([0-9.]+)"));
    double total = 0;
    int found = 0;
    for (auto it = realTime.globalMatch(output); it.hasNext(); ++found)
        total += it.next().captured(1).toDouble() * 1000.0;
    if (found != statements.size())
        throw std::runtime_error(
            QStringLiteral("the sqlite3 shell did not run every statement:\n%1").arg(output).toStdString());
    return total;
}

// The inspector, the orders grid and the items grid in a window of 1200 x 800.
struct WorkspaceHarness {
    std::unique_ptr<QWidget> host;
    WorkspaceView* view = nullptr;

    void open(DataModule& data, UserPort& port)
    {
        host = std::make_unique<QWidget>();
        host->resize(1200, 800);
        auto* layout = new QHBoxLayout(host.get());
        view = new WorkspaceView(data, port, host.get());
        layout->addWidget(view->inspector());
        auto* right = new QVBoxLayout;
        right->addWidget(view->ordersGrid(), 3);
        right->addWidget(view->itemsGrid(), 1);
        layout->addLayout(right, 1);
        host->show();
        QApplication::processEvents();
    }

    toolkit::DataGrid* grid() const { return view->ordersGrid()->grid(); }
    toolkit::SqlTableModel* orders() const { return view->workspace().DataSourceOrders(); }

    // The median time from an unfiltered grid to the filtered rows drawn.
    double timedFilter(const toolkit::GridFilter& filter, int runs)
    {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            grid()->filtering().clear();
            QApplication::processEvents();
            times.push_back(timeMs([&] {
                grid()->filtering().setFilter(filter);
                paint(grid()->tableView());
            }));
        }
        std::fprintf(stderr, "  %s: %d rows\n", qPrintable(grid()->filtering().text()), orders()->rowCount());
        return median(times);
    }
};

} // namespace pelmora::bench
