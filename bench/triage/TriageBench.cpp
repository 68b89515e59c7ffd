// Times working many orders at once on a generated program folder (by default one million
// orders): "Set status" for a selection of rows of the grid (10,000 by default), each change in
// one transaction, and the undo that puts every row back, both through the commands the merchant
// uses and until the grid has drawn the result.
// Usage: pelmora-bench-triage FOLDER [--rows N] [--runs K] [--work DIR]
// FOLDER is the shared generated folder; it is never changed: the benchmark works on a copy of
// its database in DIR (default: FOLDER-triage beside it).
// Prints "name value unit" lines; progress goes to standard error.

#include "BenchFolder.h"
#include "common/RecordingUserPort.h"
#include "database/DataModule.h"
#include "support/Figures.h"
#include "support/WorkspaceHarness.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/TriageCommands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QItemSelectionModel>
#include <QSqlQuery>
#include <QTableView>
#include <cstdio>
#include <stdexcept>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

int count(DataModule& data, const QString& where)
{
    return data.scalar(QStringLiteral("SELECT count(*) FROM Orders WHERE ") + where).toInt();
}

void run(const QString& folder, int rows, int runs)
{
    DataModule data;
    data.setLocation(BenchFolder::databaseFile(folder));
    RecordingUserPort port;
    WorkspaceHarness harness;
    std::fprintf(stderr, "opening %s\n", qPrintable(data.location()));
    data.ResetDB();
    harness.open(data, port);
    OrdersWorkspace& workspace = harness.view->workspace();
    TriageCommands* triage = harness.view->triage();
    QTableView* table = harness.grid()->tableView();
    if (harness.orders()->rowCount() < rows)
        fail(QStringLiteral("the folder has fewer than %1 orders").arg(rows));
    std::fprintf(stderr, "%d orders shown\n", harness.orders()->rowCount());

    const QStringList statuses{QStringLiteral("Bench status A"), QStringLiteral("Bench status B")};
    std::vector<double> setTimes, undoTimes, redoTimes, keysTimes;
    for (int i = 0; i < runs; ++i) {
        const QString status = statuses[i % 2];
        const int before = count(data, QStringLiteral("Status = '%1'").arg(status));
        // The merchant's selection: the first rows of the grid, as Shift+click selects them.
        QAbstractItemModel* model = table->model();
        table->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(rows - 1, 0)),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QApplication::processEvents();
        keysTimes.push_back(timeMs([&] {
            if (harness.view->ordersGrid()->selectedKeys().size() != rows)
                fail(QStringLiteral("the selection is not %1 orders").arg(rows));
        }));
        setTimes.push_back(timeMs([&] {
            triage->setStatus(status);
            paint(table);
        }));
        if (count(data, QStringLiteral("Status = '%1'").arg(status)) != before + rows)
            fail(QStringLiteral("the status was not set: %1").arg(port.status()));
        undoTimes.push_back(timeMs([&] {
            triage->undo();
            paint(table);
        }));
        if (count(data, QStringLiteral("Status = '%1'").arg(status)) != before)
            fail(QStringLiteral("the undo did not restore the rows: %1").arg(port.status()));
        redoTimes.push_back(timeMs([&] {
            triage->redo();
            paint(table);
        }));
        triage->undo();
        std::fprintf(stderr, "  run %d: set %.0f ms, undo %.0f ms, redo %.0f ms (%s)\n", i + 1, setTimes.back(),
                     undoTimes.back(), redoTimes.back(), qPrintable(port.status()));
    }
    std::fprintf(stderr, "%d orders changed per run, %d changes kept\n", rows, workspace.history().undoCount());
    printFigure("selection-keys", median(keysTimes), "ms");
    printFigure("bulk-status", median(setTimes), "ms");
    printFigure("bulk-status-undo", median(undoTimes), "ms");
    printFigure("bulk-status-redo", median(redoTimes), "ms");
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times setting the status of many orders and its undo."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The shared program folder."));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Orders selected."), QStringLiteral("N"),
                                        QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs per figure (median)."),
                                        QStringLiteral("K"), QStringLiteral("3"));
    const QCommandLineOption workOption(QStringLiteral("work"), QStringLiteral("Where the private copy goes."),
                                        QStringLiteral("DIR"));
    parser.addOptions({rowsOption, runsOption, workOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    try {
        const QString shared = parser.positionalArguments().first();
        const QString work =
            parser.isSet(workOption) ? parser.value(workOption) : QDir::cleanPath(shared) + QStringLiteral("-triage");
        const int rows = std::max(1, parser.value(rowsOption).toInt());
        const int runs = std::max(1, parser.value(runsOption).toInt());
        run(BenchFolder::workCopy(shared, work), rows, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-triage: %s\n", e.what());
        return 1;
    }
    return 0;
}
