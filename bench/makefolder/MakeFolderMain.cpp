// Makes (or reuses) a synthetic program folder for the benchmarks.
// Usage: pelmora-bench-makefolder FOLDER [--orders N] [--seed S] [--resources DIR] [--force]
// Progress goes to standard error; standard output stays free for figures.

#include "BenchFolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using pelmora::bench::BenchFolder;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes a synthetic program folder for the benchmarks."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The program folder to make or reuse."));
    const QCommandLineOption ordersOption(QStringLiteral("orders"), QStringLiteral("Number of orders."),
                                          QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the generator."),
                                        QStringLiteral("S"), QStringLiteral("20240601"));
    const QCommandLineOption resourcesOption(
        QStringLiteral("resources"), QStringLiteral("Shipped files to copy into the folder."), QStringLiteral("DIR"));
    const QCommandLineOption forceOption(QStringLiteral("force"), QStringLiteral("Make the folder even if current."));
    parser.addOptions({ordersOption, seedOption, resourcesOption, forceOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    const QString folder = parser.positionalArguments().first();
    BenchFolder::Plan plan;
    bool ok = false;
    plan.orders = parser.value(ordersOption).toLongLong(&ok);
    if (!ok || plan.orders < 1) {
        std::fprintf(stderr, "--orders must be a positive whole number\n");
        return 2;
    }
    plan.seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
        std::fprintf(stderr, "--seed must be a whole number\n");
        return 2;
    }

    try {
        const QString reason =
            parser.isSet(forceOption) ? QStringLiteral("asked to") : BenchFolder::staleReason(folder, plan);
        if (reason.isEmpty()) {
            std::fprintf(stderr, "reusing %s (%lld orders)\n", qPrintable(folder), (long long)plan.orders);
        } else {
            std::fprintf(stderr, "making %s with %lld orders (%s)\n", qPrintable(folder), (long long)plan.orders,
                         qPrintable(reason));
            QElapsedTimer timer;
            timer.start();
            BenchFolder::make(folder, plan, [&](int64_t done) {
                std::fprintf(stderr, "  %lld orders written, %.1f s\n", (long long)done, timer.elapsed() / 1000.0);
            });
            std::fprintf(stderr, "made %s in %.1f s\n", qPrintable(folder), timer.elapsed() / 1000.0);
        }
        if (parser.isSet(resourcesOption))
            BenchFolder::copyResources(parser.value(resourcesOption), folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-makefolder: %s\n", e.what());
        return 1;
    }
    return 0;
}
