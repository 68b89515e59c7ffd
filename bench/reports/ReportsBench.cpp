// Reports on a generated program folder. Prints figure lines (see bench/run), each the median
// of its runs, by the wall clock ("name") and by processor time ("name-cpu"):
//   report-orderlist-first-page       the "Order list" over every order: its first page built
//                                     and painted as the preview shows it
//   report-invoice-N-pdf              "Invoice" for the first N orders to one PDF (N = 500,
//                                     5,000), with the peak resident memory over the run's base
//   print-grid-10000-first-page/-pdf  the grid printout of 10,000 rows: first page, whole PDF
// Usage: pelmora-bench-reports FOLDER [--runs K]

#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/SqlRowCursor.h"
#include "reports/TablePrintout.h"
#include "support/Figures.h"
#include "workspace/ReportPipelines.h"
#include "workspace/ShippedReports.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <cstdio>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{
// Kilobytes of a /proc/self/status line (VmRSS: now, VmHWM: the peak since the last reset).
long memoryKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

// Starts the peak (VmHWM) afresh from the present resident memory.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

ReportPipelines::Selection firstOrders(int count)
{
    ReportPipelines::Selection s;
    s.filterExpression = QStringLiteral("id <= '%1'").arg(count);
    return s;
}

void paintFirstPage(reports::PageSource& source)
{
    if (!source.ensurePage(0))
        throw std::runtime_error("no first page");
    QImage image(816, 1056, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    source.paintPage(0, painter, 96 / 25.4);
}

void figure(const QByteArray& name, double value, const char* unit)
{
    printFigure(name.constData(), value, unit);
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The program folder."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per figure."), QStringLiteral("K"),
                                        QStringLiteral("3"));
    parser.addOption(runsOption);
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(parser.positionalArguments().first() + QStringLiteral("/db/Pelmora.tdbd"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        std::fprintf(stderr, "cannot open the folder's database\n");
        return 1;
    }
    QTemporaryDir out;
    try {
        {
            Timings times;
            for (int i = 0; i < runs; ++i)
                times.add(measure([&] {
                    ReportPipelines pipelines(db, {});
                    reports::ReportDocument document(ShippedReports::orderList(), pipelines);
                    paintFirstPage(document);
                }));
            times.print("report-orderlist-first-page");
        }

        for (int count : {500, 5000}) {
            Timings times;
            std::vector<double> growth;
            int pages = 0;
            const QString path = out.filePath(QStringLiteral("invoices.pdf"));
            for (int i = 0; i < runs; ++i) {
                QFile::remove(path);
                const long base = memoryKb("VmRSS:");
                resetPeak();
                times.add(measure([&] {
                    ReportPipelines pipelines(db, firstOrders(count));
                    reports::ReportDocument document(ShippedReports::invoice(), pipelines);
                    pages = reports::ReportOutput::writePdf(document, path);
                }));
                growth.push_back((memoryKb("VmHWM:") - base) / 1024.0);
            }
            const QByteArray name = "report-invoice-" + QByteArray::number(count) + "-pdf";
            times.print(name.constData());
            figure(name + "-pages", pages, "pages");
            // The largest growth of the runs: the first run's is the one that matters.
            figure(name + "-memory", *std::max_element(growth.begin(), growth.end()), "MB");
            figure(name + "-size", QFile(path).size() / 1048576.0, "MB");
        }

        // The grid printout of 10,000 rows in the default grid's columns.
        const QStringList fields{QStringLiteral("ShopperID"),    QStringLiteral("Invoice_date"),
                                 QStringLiteral("Invoice_name"), QStringLiteral("Invoice_country"),
                                 QStringLiteral("Status"),       QStringLiteral("Payment_method"),
                                 QStringLiteral("Total")};
        QList<reports::TableColumn> columns;
        for (const QString& f : fields)
            columns.append({f, f, 110, f == QLatin1String("Total") ? Qt::AlignRight : Qt::AlignLeft, {}});
        auto printout = [&] {
            reports::TablePrintout::Settings settings;
            settings.title = QStringLiteral("Orders");
            settings.page = QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                        QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
            return std::make_unique<reports::TablePrintout>(settings, columns, QList<reports::TableColumn>{}, [&db] {
                return std::make_unique<reports::SqlRowCursor>(
                    db, QStringLiteral("SELECT * FROM Orders WHERE id <= 10000 ORDER BY id"));
            });
        };
        Timings first, whole;
        int gridPages = 0;
        for (int i = 0; i < runs; ++i) {
            first.add(measure([&] {
                auto p = printout();
                paintFirstPage(*p);
            }));
            whole.add(measure([&] {
                auto p = printout();
                gridPages = reports::ReportOutput::writePdf(*p, out.filePath(QStringLiteral("grid.pdf")));
            }));
        }
        first.print("print-grid-10000-first-page");
        whole.print("print-grid-10000-pdf");
        figure("print-grid-10000-pages", gridPages, "pages");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
