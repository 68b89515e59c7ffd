// Times archiving the "Completed" orders of a generated program folder (by default one million
// orders, about nine in ten of them completed) beside the sqlite3 shell running the same
// INSERT ... SELECT and DELETE statements in one transaction on an equal copy, in the same run;
// then the archive view over what was moved: opening, jumps and filters.
// Usage: pelmora-bench-archive FOLDER [--runs K] [--sqlite3 PATH] [--view-only]
// FOLDER is the generated folder that every benchmark shares (bench/run makes it); this
// benchmark changes data, so it works on two copies of its database in FOLDER-archive.
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
#include "workspace/OrderArchiving.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTableView>
#include <QUuid>
#include <cstdio>
#include <ctime>
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

// Runs counting statements on a file through a connection of its own; with none, gives the
// file the indexes the program makes on a large file.
QList<qlonglong> onFile(const QString& file, const QStringList& statements)
{
    const QString name = QUuid::createUuid().toString();
    QList<qlonglong> values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            fail(QStringLiteral("cannot open %1").arg(file));
        if (statements.isEmpty())
            OrdersWorkspace::ensureIndexes(db);
        for (const QString& s : statements) {
            QSqlQuery query(db);
            if (!query.exec(s) || !query.next())
                fail(QStringLiteral("%1 failed on %2").arg(s, file));
            values << query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

// The processor time this process spends on work, in ms: on a busy machine it tells the work
// apart from the wait for a processor, which the wall-clock figures include.
template <typename Work> double cpuMs(Work&& work)
{
    timespec start{}, end{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

void copyReplacing(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

const QStringList kCounts{QStringLiteral("SELECT COUNT(*) FROM Orders"), QStringLiteral("SELECT COUNT(*) FROM Items"),
                          QStringLiteral("SELECT COUNT(*) FROM OrdersArchve"),
                          QStringLiteral("SELECT COUNT(*) FROM ItemsArchive")};

struct Bench {
    QString folder;
    int runs = 5;
    QString sqlite3 = QStringLiteral("sqlite3");

    RecordingUserPort port;
    std::unique_ptr<LogFolder> logFolder; // the error log goes to the folder worked on
    std::unique_ptr<DataModule> data;
    WorkspaceHarness harness;

    toolkit::DataGrid* grid() { return harness.grid(); }
    OrdersWorkspace& workspace() { return harness.view->workspace(); }
    toolkit::SqlTableModel* orders() { return harness.orders(); }

    void archive(const QString& work)
    {
        const QString ours = BenchFolder::databaseFile(work);
        const QString peer = QDir(work).filePath(QStringLiteral("db/peer.tdbd"));
        std::fprintf(stderr, "copying the database twice\n");
        copyReplacing(BenchFolder::databaseFile(folder), ours);
        // Both copies carry the indexes the program makes on a large file.
        onFile(ours, {});
        copyReplacing(ours, peer);
        const QList<qlonglong> before = onFile(ours, kCounts);

        // The same statements, in one transaction, in the shell.
        const QString completed = QStringLiteral("(SELECT ShopperID FROM Orders WHERE Status = 'Completed')");
        const double peerMs =
            shellMs(sqlite3, peer,
                    {QStringLiteral("BEGIN IMMEDIATE"),
                     QStringLiteral("INSERT INTO OrdersArchve SELECT * FROM Orders WHERE Status = 'Completed'"),
                     QStringLiteral("INSERT INTO ItemsArchive SELECT * FROM Items WHERE ShopperID IN ") + completed,
                     QStringLiteral("DELETE FROM Items WHERE ShopperID IN ") + completed,
                     QStringLiteral("DELETE FROM Orders WHERE Status = 'Completed'"), QStringLiteral("COMMIT")});

        logFolder.reset();
        logFolder = std::make_unique<LogFolder>(Root(work));
        data = std::make_unique<DataModule>();
        data->setLocation(ours);
        data->ResetDB();
        ArchiveResult result;
        const double oursMs =
            timeMs([&] { result = OrderArchiving(*data, port).runUnattended(ArchiveMode::Completed, {}); });
        if (!result.archived())
            fail(QStringLiteral("archiving failed: %1").arg(result.error));
        std::fprintf(stderr, "  moved %lld orders and %lld items (of %lld and %lld)\n", result.orders, result.items,
                     before[0], before[1]);
        const QList<qlonglong> after = onFile(ours, kCounts);
        if (after != onFile(peer, kCounts))
            fail(QStringLiteral("the program and the shell left different tables"));
        printFigure("archive-completed", oursMs, "ms");
        printFigure("archive-completed-sqlite3", peerMs, "ms");
        printRatio("archive-completed", oursMs / std::max(0.001, peerMs));
        QFile::remove(peer);
    }

    // The copy the last run archived, opened as the program opens it.
    void openArchived(const QString& work)
    {
        if (!QFile::exists(BenchFolder::databaseFile(work)))
            fail(QStringLiteral("no archived copy in %1 yet: run without --view-only first").arg(work));
        logFolder.reset();
        logFolder = std::make_unique<LogFolder>(Root(work));
        data = std::make_unique<DataModule>();
        data->setLocation(BenchFolder::databaseFile(work));
        data->ResetDB();
    }

    double timedFilter(const toolkit::GridFilter& filter)
    {
        const double ms = harness.timedFilter(filter, runs);
        grid()->filtering().clear();
        return ms;
    }

    void archiveView()
    {
        harness.open(*data, port);
        data->ResetDB();
        paint(grid()->tableView());
        std::vector<double> opens, openCpu, resets;
        for (int i = 0; i < runs; ++i) {
            workspace().setSource(OrdersSource::Live);
            paint(grid()->tableView());
            double cpu = 0;
            opens.push_back(timeMs([&] {
                cpu = cpuMs([&] {
                    workspace().setSource(OrdersSource::Archive);
                    paint(grid()->tableView());
                });
            }));
            openCpu.push_back(cpu);
            resets.push_back(timeMs([&] {
                data->ResetDB();
                paint(grid()->tableView());
            }));
        }
        const int rows = orders()->rowCount();
        std::fprintf(stderr, "  %d archived orders shown\n", rows);
        if (rows == 0)
            fail(QStringLiteral("the archive is empty"));
        printFigure("archive-view-open", median(opens), "ms");
        printFigure("archive-view-open-cpu", median(openCpu), "ms");
        printFigure("archive-view-resetdb", median(resets), "ms");

        std::vector<double> lasts, lastCpu, middles;
        for (int i = 0; i < runs; ++i) {
            grid()->cursor().setCurrentRow(0);
            paint(grid()->tableView());
            double cpu = 0;
            lasts.push_back(timeMs([&] {
                cpu = cpuMs([&] {
                    grid()->cursor().setCurrentRow(orders()->rowCount() - 1);
                    paint(grid()->tableView());
                });
            }));
            lastCpu.push_back(cpu);
            middles.push_back(timeMs([&] {
                grid()->cursor().setCurrentRow(orders()->rowCount() / 2);
                paint(grid()->tableView());
            }));
        }
        printFigure("archive-jump-last", median(lasts), "ms");
        printFigure("archive-jump-last-cpu", median(lastCpu), "ms");
        printFigure("archive-jump-middle", median(middles), "ms");

        toolkit::GridFilter month;
        month.setRoot(FilterCondition::all(
            {FilterCondition::compare(QStringLiteral("Invoice_date"), FilterCondition::Operator::GreaterOrEqual,
                                      QDate(2022, 3, 1)),
             FilterCondition::compare(QStringLiteral("Invoice_date"), FilterCondition::Operator::LessOrEqual,
                                      QDate(2022, 3, 31))}));
        printFigure("archive-filter-month", timedFilter(month), "ms");
        toolkit::GridFilter method;
        method.setRoot(FilterCondition::compare(QStringLiteral("Payment_method"), FilterCondition::Operator::Equal,
                                                QStringLiteral("PayPal")));
        printFigure("archive-filter-method", timedFilter(method), "ms");
        toolkit::GridFilter name;
        name.setRoot(FilterCondition::compare(QStringLiteral("Invoice_name"), FilterCondition::Operator::Like,
                                              QStringLiteral("%son%")));
        printFigure("archive-filter-name", timedFilter(name), "ms");
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times archiving and the archive view on a generated folder."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The generated program folder."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed runs per view figure (median)."),
                                        QStringLiteral("K"), QStringLiteral("5"));
    const QCommandLineOption shellOption(QStringLiteral("sqlite3"), QStringLiteral("The sqlite3 shell."),
                                         QStringLiteral("PATH"), QStringLiteral("sqlite3"));
    const QCommandLineOption viewOnlyOption(QStringLiteral("view-only"),
                                            QStringLiteral("Only the archive view, over the last run's archive."));
    parser.addOptions({runsOption, shellOption, viewOnlyOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    try {
        Bench bench;
        bench.folder = QDir::cleanPath(parser.positionalArguments().first());
        bench.runs = std::max(1, parser.value(runsOption).toInt());
        bench.sqlite3 = parser.value(shellOption);
        if (!QFile::exists(BenchFolder::databaseFile(bench.folder)))
            fail(QStringLiteral("%1 holds no database; bench/run makes it").arg(bench.folder));
        const QString work = bench.folder + QStringLiteral("-archive");
        for (const char* sub : {"db", "cnfg", "logs", "tmp"})
            if (!QDir().mkpath(QDir(work).filePath(QString::fromLatin1(sub))))
                fail(QStringLiteral("cannot create %1").arg(work));
        if (parser.isSet(viewOnlyOption))
            bench.openArchived(work);
        else
            bench.archive(work);
        bench.archiveView();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-archive: %s\n", e.what());
        return 1;
    }
    return 0;
}
