// Times ResetDB on an up-to-date program folder, and "Backup now" against cp of the same
// database file in the same run.
// Usage: pelmora-bench-foundation FOLDER [--runs K] [--rounds R] [--prefault-mb MB]
// Prints: resetdb MS ms / backup MS ms / cp MS ms / backup-ratio R; each timed copy's
// figure and the preparation go to standard error.

#include "common/ErrorLog.h"
#include "common/GlobalConfig.h"
#include "common/RecordingUserPort.h"
#include "common/Root.h"
#include "database/DataModule.h"
#include "database/Maintenance.h"
#include "support/Figures.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

qint64 sizeOf(const QString& file)
{
    const QFileInfo info(file);
    return info.exists() ? info.size() : 0;
}

int number(const QCommandLineParser& parser, const QCommandLineOption& option, int minimum)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum)
        fail(QStringLiteral("--%1 must be a whole number of at least %2").arg(option.names().first()).arg(minimum));
    return value;
}

// Writes to every page of a block of fresh memory and gives it back. On a virtual machine
// whose host hands out memory only when a page is first touched, the first use of memory
// that the guest has not used lately is slow (here about 100 MB/s), which has nothing to do
// with the copy being timed: cp overwrites its old copy and so reuses the page cache it has
// just freed, while the backup writes its new copy beside the old one and needs fresh pages.
// Touching the memory just before each timed copy gives both sides the same start; on a
// machine without this cost it only takes a moment.
void prefault(size_t bytes)
{
    if (bytes == 0)
        return;
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        fail(QStringLiteral("cannot map %1 MB").arg(bytes >> 20));
    std::memset(block, 1, bytes);
    ::munmap(block, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("A program folder made by pelmora-bench-makefolder."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Timed ResetDB runs."),
                                        QStringLiteral("K"), QStringLiteral("11"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Timed backup and cp rounds."),
                                          QStringLiteral("R"), QStringLiteral("3"));
    const QCommandLineOption prefaultOption(
        QStringLiteral("prefault-mb"),
        QStringLiteral("Memory to touch before each timed copy; -1: the database's size and 256 MB; 0: none."),
        QStringLiteral("MB"), QStringLiteral("-1"));
    parser.addOptions({runsOption, roundsOption, prefaultOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    try {
        const int runs = number(parser, runsOption, 1);
        const int rounds = number(parser, roundsOption, 1);
        const int prefaultMb = number(parser, prefaultOption, -1);
        const Root root(QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
        const LogFolder logFolder(root);
        GlobalSettings settings = GlobalConfig::load(root);
        const QString log = root.file(QStringLiteral("logs/") + kErrorLogFile);
        const qint64 logSize = sizeOf(log);
        auto checkLog = [&] {
            if (sizeOf(log) != logSize)
                fail(QStringLiteral("the run wrote to %1; its figures would mislead").arg(log));
        };

        // ResetDB on the up-to-date file; the first open also warms the page cache.
        DataModule data;
        data.setLocation(settings.DatabaseLocation);
        auto reset = [&] {
            data.ResetDB();
            if (!data.isConnected() || !data.ordersQueryOpen())
                fail(QStringLiteral("ResetDB did not open the orders of %1").arg(settings.DatabaseLocation));
        };
        reset();
        std::vector<double> resets;
        for (int i = 0; i < runs; ++i)
            resets.push_back(timeMs(reset));
        checkLog();
        printFigure("resetdb", median(resets), "ms");

        // "Backup now" (disconnect, copy, ResetDB) against a plain cp of the same file.
        RecordingUserPort port;
        Maintenance maintenance(data, settings, port);
        const QString source = settings.DatabaseLocation;
        const QString backup = Maintenance::backupFile(settings);
        const QString copy = root.file(QStringLiteral("tmp/cp-Pelmora.tdbd"));
        const size_t prefaultBytes =
            prefaultMb < 0 ? size_t(sizeOf(source)) + (size_t(256) << 20) : size_t(prefaultMb) << 20;
        auto runCp = [&] {
            QProcess cp;
            cp.start(QStringLiteral("cp"), {source, copy});
            if (!cp.waitForFinished(-1) || cp.exitStatus() != QProcess::NormalExit || cp.exitCode() != 0)
                fail(QStringLiteral("cp failed: %1").arg(QString::fromLocal8Bit(cp.readAllStandardError())));
        };
        auto runBackup = [&] {
            if (!maintenance.backupNow() || port.status() != kBackedUp)
                fail(QStringLiteral("Backup now failed: %1").arg(port.status()));
        };
        // Both targets exist before every timed run, as the backup does after the first one.
        runCp();
        runBackup();

        // Each timed copy starts with nothing dirty left over from the one before, and with
        // the memory it will fill at hand. The order alternates so that neither side always
        // runs first.
        std::vector<double> cps;
        std::vector<double> backups;
        auto timed = [&](const char* name, auto& work, std::vector<double>& figures) {
            const double prepared = timeMs([&] {
                ::sync();
                prefault(prefaultBytes);
            });
            figures.push_back(timeMs(work));
            std::fprintf(stderr, "  %s %.0f ms (prepared in %.0f ms)\n", name, figures.back(), prepared);
        };
        for (int r = 0; r < rounds; ++r) {
            if (r % 2 == 0) {
                timed("cp", runCp, cps);
                timed("backup", runBackup, backups);
            } else {
                timed("backup", runBackup, backups);
                timed("cp", runCp, cps);
            }
        }
        if (sizeOf(backup) != sizeOf(source) || sizeOf(copy) != sizeOf(source))
            fail(QStringLiteral("a copy differs in size from %1").arg(source));
        checkLog();
        QFile::remove(copy);
        QFile::remove(backup);

        const double backupMs = median(backups);
        const double cpMs = median(cps);
        printFigure("backup", backupMs, "ms");
        printFigure("cp", cpMs, "ms");
        printRatio("backup", backupMs / cpMs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-foundation: %s\n", e.what());
        return 1;
    }
    return 0;
}
