// Times the orders workspace on a generated program folder (by default one million orders):
// opening (ResetDB and the first screen), jumps, a posted cell, filters, grouping and memory,
// and sets the text filter beside the sqlite3 shell running the same queries in the same run.
// Usage: pelmora-bench-workspace FOLDER [--orders N] [--runs K] [--sqlite3 PATH]
// FOLDER is the generated folder that every benchmark shares (made when missing); the workspace
// adds indexes and posts edits, so it works on a copy of its database in FOLDER-workspace.
// Prints "name value unit" and "name-ratio r" lines; progress goes to standard error.

#include "BenchFolder.h"
#include "common/ErrorLog.h"
#include "common/RecordingUserPort.h"
#include "common/Root.h"
#include "database/DataModule.h"
#include "support/Figures.h"
#include "support/WorkspaceHarness.h"
#include "toolkit/FilterCondition.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/GridFilter.h"
#include "workspace/FilterTranslation.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTreeView>
#include <cstdio>
#include <memory>
#include <stdexcept>

using namespace pelmora;
using namespace pelmora::bench;
using toolkit::FilterCondition;

namespace
{

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// Resident memory of this process in MB: all of it (VmRSS), or the part of it that is the
// process's own (RssAnon) rather than pages of mapped files such as the database (RssFile).
double residentMb(const char* field = "VmRSS")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression rss(QStringLiteral("^%1:\\s+(\\d+)\\s+kB").arg(QLatin1String(field)),
                                 QRegularExpression::MultilineOption);
    const auto match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toDouble() / 1024.0 : 0;
}

QStringList orderColumnsSql()
{
    QStringList names;
    for (const Column& c : Schema::orderColumns())
        if (c.type != ColumnType::AutoInc)
            names << '"' + c.name + '"';
    return names;
}

struct Bench {
    QString folder;
    int runs = 5;
    QString sqlite3 = QStringLiteral("sqlite3");

    RecordingUserPort port;
    std::unique_ptr<DataModule> data;
    WorkspaceHarness harness;
    WorkspaceView* view = nullptr;

    toolkit::DataGrid* grid() { return view->ordersGrid()->grid(); }
    toolkit::SqlTableModel* orders() { return view->workspace().DataSourceOrders(); }

    void open()
    {
        harness.open(*data, port);
        view = harness.view;
    }

    double timedFilter(const toolkit::GridFilter& filter) { return harness.timedFilter(filter, runs); }

    double timedGrouping(const QString& field)
    {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            grid()->grouping().ungroupAll();
            QApplication::processEvents();
            times.push_back(timeMs([&] {
                grid()->grouping().groupBy(field);
                paint(grid()->groupView());
            }));
        }
        std::fprintf(stderr, "  grouped by %s: %d groups\n", qPrintable(field),
                     grid()->groupView()->model()->rowCount());
        grid()->grouping().ungroupAll();
        return median(times);
    }

    // Opens the largest group of a grouping (its rows are reported in chunks) and paints it.
    double timedGroupOpening(const QString& field)
    {
        grid()->grouping().ungroupAll();
        grid()->grouping().groupBy(field);
        paint(grid()->groupView());
        QTreeView* tree = grid()->groupView();
        QAbstractItemModel* model = tree->model();
        int largest = 0;
        for (int g = 1; g < model->rowCount(); ++g)
            if (model->index(g, 0).data(Qt::UserRole + 3).toInt() >
                model->index(largest, 0).data(Qt::UserRole + 3).toInt())
                largest = g;
        const QModelIndex group = model->index(largest, 0);
        std::fprintf(stderr, "  opening the group %s\n", qPrintable(group.data().toString()));
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            tree->collapse(group);
            paint(tree);
            times.push_back(timeMs([&] {
                tree->expand(group);
                paint(tree);
            }));
        }
        grid()->grouping().ungroupAll();
        return median(times);
    }

    // The first screen sorted by a text column, without an index and with the one the
    // workspace builds for a column sorted often.
    void sortFigures()
    {
        const QString field = QStringLiteral("Ship_address1");
        auto timedSort = [&] {
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) {
                grid()->sortBy(QString());
                paint(grid()->tableView());
                times.push_back(timeMs([&] {
                    grid()->sortBy(field, i % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
                    paint(grid()->tableView());
                }));
            }
            return median(times);
        };
        QSqlQuery(QStringLiteral("DROP INDEX IF EXISTS Orders_by_Ship_address1"), data->database());
        printFigure("sort-text-unindexed", timedSort(), "ms");
        for (int use = 0; use < OrdersWorkspace::kUsesBeforeIndex; ++use)
            view->workspace().columnUsed(field);
        printFigure("sort-text-indexed", timedSort(), "ms");
        grid()->sortBy(QString());
    }

    void run()
    {
        const LogFolder log{Root(folder)};
        const double baseMb = residentMb();
        data = std::make_unique<DataModule>();
        data->setLocation(BenchFolder::databaseFile(folder));
        data->connectDatabase();
        const double connectedMb = residentMb();
        const double connectedOwnMb = residentMb("RssAnon");
        open();
        // The first open builds the workspace's indexes on a file that lacks them.
        printFigure("workspace-first-open", timeMs([&] {
                        data->ResetDB();
                        paint(grid()->tableView());
                    }),
                    "ms");
        const int rows = orders()->rowCount();
        std::fprintf(stderr, "  %d orders shown\n", rows);
        if (rows == 0)
            fail(QStringLiteral("the folder holds no orders"));

        std::vector<double> opens;
        for (int i = 0; i < runs; ++i)
            opens.push_back(timeMs([&] {
                data->ResetDB();
                paint(grid()->tableView());
            }));
        printFigure("workspace-open", median(opens), "ms");

        std::vector<double> lasts, middles;
        for (int i = 0; i < runs; ++i) {
            grid()->cursor().setCurrentRow(0);
            paint(grid()->tableView());
            lasts.push_back(timeMs([&] {
                grid()->cursor().setCurrentRow(orders()->rowCount() - 1);
                paint(grid()->tableView());
            }));
            middles.push_back(timeMs([&] {
                grid()->cursor().setCurrentRow(orders()->rowCount() / 2);
                paint(grid()->tableView());
            }));
        }
        printFigure("jump-last", median(lasts), "ms");
        printFigure("jump-middle", median(middles), "ms");

        // A cell posted in the middle of the table: focus and scroll position stay.
        const int row = orders()->rowCount() / 2 + 17;
        grid()->cursor().setCurrentRow(row);
        paint(grid()->tableView());
        const int notes = orders()->columnIndex(QStringLiteral("Notes"));
        const int scroll = grid()->tableView()->verticalScrollBar()->value();
        std::vector<double> posts;
        for (int i = 0; i < runs; ++i)
            posts.push_back(timeMs([&] {
                orders()->setData(orders()->index(row, notes), QStringLiteral("bench note %1").arg(i));
                paint(grid()->tableView());
            }));
        printFigure("post-cell", median(posts), "ms");
        if (grid()->cursor().currentRow() != row || grid()->tableView()->verticalScrollBar()->value() != scroll)
            std::fprintf(stderr, "  the post moved the focus or the scroll position\n");
        // The same post where a commit is not synced to the disk at once (write-ahead log,
        // synchronous=NORMAL): what the connection's journal settings cost.
        {
            QSqlQuery pragma(data->database());
            pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
            std::vector<double> walPosts;
            for (int i = 0; i < runs; ++i)
                walPosts.push_back(timeMs([&] {
                    orders()->setData(orders()->index(row, notes), QStringLiteral("wal note %1").arg(i));
                    paint(grid()->tableView());
                }));
            printFigure("post-cell-wal", median(walPosts), "ms");
            pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
            pragma.exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        }

        toolkit::GridFilter month;
        month.setRoot(FilterCondition::all(
            {FilterCondition::compare(QStringLiteral("Invoice_date"), FilterCondition::Operator::GreaterOrEqual,
                                      QDate(2022, 3, 1)),
             FilterCondition::compare(QStringLiteral("Invoice_date"), FilterCondition::Operator::LessOrEqual,
                                      QDate(2022, 3, 31))}));
        printFigure("filter-month", timedFilter(month), "ms");
        for (const char* status : {"Unpaid", "Completed"}) {
            toolkit::GridFilter byStatus;
            byStatus.setRoot(FilterCondition::compare(QStringLiteral("Status"), FilterCondition::Operator::Equal,
                                                      QString::fromLatin1(status)));
            printFigure(qPrintable(QStringLiteral("filter-status-%1").arg(QString::fromLatin1(status).toLower())),
                        timedFilter(byStatus), "ms");
        }

        toolkit::GridFilter name;
        name.setRoot(FilterCondition::compare(QStringLiteral("Invoice_name"), FilterCondition::Operator::Like,
                                              QStringLiteral("%son%")));
        const double ours = timedFilter(name);
        // The same two reads in the shell: the count and the first screen in the grid's order.
        const QString where = FilterTranslation::toSqlWhere(FilterTranslation::translate(name.toExpression()));
        const QStringList queries{
            QStringLiteral("SELECT COUNT(*) FROM Orders WHERE %1").arg(where),
            QStringLiteral("SELECT id, %1 FROM Orders WHERE %2 ORDER BY ShopperID DESC, id DESC LIMIT 128")
                .arg(orderColumnsSql().join(','), where)};
        std::vector<double> shell;
        for (int i = 0; i < runs; ++i)
            shell.push_back(shellMs(sqlite3, BenchFolder::databaseFile(folder), queries));
        printFigure("filter-name", ours, "ms");
        printFigure("filter-name-sqlite3", median(shell), "ms");
        printRatio("filter-name", ours / std::max(0.001, median(shell)));
        printFigure("filter-name-allowance", 1.5 * median(shell) + 30.0, "ms");
        grid()->filtering().clear();

        view->toggleGrouping();
        printFigure("group-status", timedGrouping(QStringLiteral("Status")), "ms");
        printFigure("group-payment-method", timedGrouping(QStringLiteral("Payment_method")), "ms");
        printFigure("group-open-largest", timedGroupOpening(QStringLiteral("Status")), "ms");
        view->toggleGrouping();

        sortFigures();

        // Memory after all of the above: the workspace's caches are as full as they get.
        grid()->cursor().setCurrentRow(orders()->rowCount() / 3);
        paint(grid()->tableView());
        const double openMb = residentMb();
        printFigure("workspace-memory", openMb - connectedMb, "MB");
        printFigure("program-rss", openMb, "MB");
        // The program reads the database through a mapping: the pages it has read count as
        // resident, but they are the system's file cache, shared and given back on demand.
        printFigure("workspace-memory-own", residentMb("RssAnon") - connectedOwnMb, "MB");
        printFigure("program-rss-database-pages", residentMb("RssFile"), "MB");
        std::fprintf(stderr, "  resident: %.1f MB at start, %.1f MB connected\n", baseMb, connectedMb);
    }
};

int number(const QCommandLineParser& parser, const QCommandLineOption& option, int minimum)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum)
        fail(QStringLiteral("--%1 must be a whole number of at least %2").arg(option.names().first()).arg(minimum));
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the orders workspace on a generated program folder."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The program folder (made when missing)."));
    const QCommandLineOption ordersOption(QStringLiteral("orders"), QStringLiteral("Orders of a folder made here."),
                                          QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs per figure (median)."),
                                        QStringLiteral("K"), QStringLiteral("5"));
    const QCommandLineOption shellOption(QStringLiteral("sqlite3"), QStringLiteral("The sqlite3 shell."),
                                         QStringLiteral("PATH"), QStringLiteral("sqlite3"));
    parser.addOptions({ordersOption, runsOption, shellOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    try {
        Bench bench;
        bench.folder = parser.positionalArguments().first();
        bench.runs = number(parser, runsOption, 1);
        bench.sqlite3 = parser.value(shellOption);
        BenchFolder::Plan plan;
        plan.orders = number(parser, ordersOption, 1);
        const QString stale = BenchFolder::staleReason(bench.folder, plan);
        if (!stale.isEmpty()) {
            std::fprintf(stderr, "making %s (%s)\n", qPrintable(bench.folder), qPrintable(stale));
            BenchFolder::make(bench.folder, plan);
        }
        bench.folder =
            BenchFolder::workCopy(bench.folder, QDir::cleanPath(bench.folder) + QStringLiteral("-workspace"));
        bench.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-workspace: %s\n", e.what());
        return 1;
    }
    return 0;
}
