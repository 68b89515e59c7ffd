// Times the export writers on a generated program folder and sets them beside peers doing the
// same work in the same run:
//   export-xlsx-100k        every field of 100,000 orders to xlsx; peer: libxlsxwriter alone,
//                           stepping the same query and writing the same typed cells
//   export-csv-100k         the same orders to CSV; peer: sqlite3 -csv of the same query
//   export-csv-all-rss      every order of the folder to CSV: resident memory over the base
//   export-pdf-10k          10,000 orders, the grid's default visible columns, to PDF
//   export-pdf-10k-all-fields  the same orders with every field
// Each time is printed twice: wall clock ("name") and processor time ("name-cpu"); ratios too.
// Usage: pelmora-bench-export FOLDER [--runs K]

#include "export/Exporter.h"
#include "support/Figures.h"
#include "workspace/ExportDataSets.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>
#include <xlsxwriter.h>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void fail(const QString& what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

void exportTo(sqlite3* db, const ExportDataSet& data, ExportOptions options, const QString& path,
              const Exporter::Progress& progress = {})
{
    auto rows = data.open(db);
    options.title = data.title;
    const ExportResult result = Exporter::run(*rows, options, path, progress);
    if (!result.ok)
        fail(QStringLiteral("export failed: ") + result.error);
}

// What a program with nothing but libxlsxwriter does for the same cells: numbers as numbers,
// the date columns as dates, text as text, in constant memory.
void bareWorkbook(sqlite3* db, const ExportDataSet& data, const QString& path)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = data.statement.toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet 1");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format_index(date, 14);
    lxw_format* time = workbook_add_format(book);
    format_set_num_format_index(time, 21);
    const int columns = sqlite3_column_count(stmt);
    for (int c = 0; c < columns; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), sqlite3_column_name(stmt, c), nullptr);
    lxw_row_t row = 1;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const int type = sqlite3_column_type(stmt, c);
            if (type == SQLITE_NULL)
                continue;
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                worksheet_write_number(sheet, row, lxw_col_t(c), sqlite3_column_double(stmt, c), nullptr);
                continue;
            }
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            const ExportType kind = data.columns[c].type;
            lxw_datetime when{};
            if (kind == ExportType::Date && std::sscanf(text, "%4d-%2d-%2d", &when.year, &when.month, &when.day) == 3) {
                worksheet_write_datetime(sheet, row, lxw_col_t(c), &when, date);
            } else if (kind == ExportType::Time &&
                       std::sscanf(text, "%2d:%2d:%lf", &when.hour, &when.min, &when.sec) == 3) {
                worksheet_write_number(sheet, row, lxw_col_t(c),
                                       (when.hour * 3600 + when.min * 60 + when.sec) / 86400.0, time);
            } else {
                worksheet_write_string(sheet, row, lxw_col_t(c), text, nullptr);
            }
        }
        ++row;
    }
    sqlite3_finalize(stmt);
    workbook_close(book);
}

Timing sqliteShellCsv(const QString& database, const QString& statement, const QString& path)
{
    return measure([&] {
        QProcess shell;
        shell.setStandardOutputFile(path);
        shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), QStringLiteral("-csv"),
                                                QStringLiteral("-header"), database, statement});
        if (!shell.waitForFinished(600000) || shell.exitCode() != 0)
            fail(QStringLiteral("sqlite3 -csv failed"));
    });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("The program folder."));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per figure."), QStringLiteral("K"),
                                        QStringLiteral("3"));
    parser.addOption(runsOption);
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const QString database = parser.positionalArguments().first() + QStringLiteral("/db/Pelmora.tdbd");

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail(QStringLiteral("cannot open ") + database);
    QTemporaryDir out;
    const double base = residentMb();

    // 100,000 orders, every field: the order export's statement, cut to its first 100,000 rows.
    ExportDataSet hundred = ExportDataSets::orders(db, OrdersSource::Live, QString());
    hundred.statement += QStringLiteral(" LIMIT 100000");

    // Ratios by processor time, which a busy machine leaves alone, and by the wall clock.
    const auto compare = [](const char* name, const char* peerName, const Timings& ours, const Timings& peer) {
        ours.print(name);
        peer.print(peerName);
        printRatio(name, median(ours.wall) / median(peer.wall));
        printRatio(QByteArray(QByteArray(name) + "-cpu").constData(), median(ours.processor) / median(peer.processor));
    };
    {
        Timings ours, peer;
        ExportOptions options;
        options.format = ExportFormat::Xlsx;
        for (int i = 0; i < runs; ++i) {
            ours.add(measure([&] { exportTo(db, hundred, options, out.filePath(QStringLiteral("a.xlsx"))); }));
            peer.add(measure([&] { bareWorkbook(db, hundred, out.filePath(QStringLiteral("b.xlsx"))); }));
        }
        compare("export-xlsx-100k", "export-xlsx-100k-libxlsxwriter", ours, peer);
    }
    {
        Timings ours, peer;
        ExportOptions options;
        options.format = ExportFormat::Csv;
        for (int i = 0; i < runs; ++i) {
            ours.add(measure([&] { exportTo(db, hundred, options, out.filePath(QStringLiteral("a.csv"))); }));
            peer.add(sqliteShellCsv(database, hundred.statement, out.filePath(QStringLiteral("b.csv"))));
        }
        compare("export-csv-100k", "export-csv-100k-sqlite3", ours, peer);
    }
    {
        ExportOptions options;
        options.format = ExportFormat::Pdf;
        // The orders grid's default visible columns.
        const QStringList visible{
            QStringLiteral("ShopperID"),    QStringLiteral("Username"),      QStringLiteral("Invoice_date"),
            QStringLiteral("Invoice_name"), QStringLiteral("Invoice_email"), QStringLiteral("Payment_method"),
            QStringLiteral("Total"),        QStringLiteral("Selected"),      QStringLiteral("Status")};
        ExportDataSet tenThousand = hundred;
        tenThousand.statement.replace(QStringLiteral("LIMIT 100000"), QStringLiteral("LIMIT 10000"));
        for (const ExportColumn& c : std::as_const(tenThousand.columns))
            if (!visible.contains(c.name))
                options.omittedFields << c.name;
        Timings ours;
        for (int i = 0; i < runs; ++i)
            ours.add(measure([&] { exportTo(db, tenThousand, options, out.filePath(QStringLiteral("a.pdf"))); }));
        ours.print("export-pdf-10k");
        // Every field of the same orders: a table cut into bands of columns.
        Timings wide;
        ExportOptions allFields;
        allFields.format = ExportFormat::Pdf;
        for (int i = 0; i < runs; ++i)
            wide.add(measure([&] { exportTo(db, tenThousand, allFields, out.filePath(QStringLiteral("w.pdf"))); }));
        wide.print("export-pdf-10k-all-fields");
    }
    {
        // Every order of the folder to CSV; memory sampled as the rows go.
        const ExportDataSet all = ExportDataSets::orders(db, OrdersSource::Live, QString());
        ExportOptions options;
        options.format = ExportFormat::Csv;
        double peak = 0;
        qint64 rows = 0;
        const double start = residentMb();
        const Timing t = measure([&] {
            exportTo(db, all, options, out.filePath(QStringLiteral("all.csv")), [&](qint64 done, qint64) {
                rows = done;
                peak = std::max(peak, residentMb());
                return true;
            });
        });
        std::fprintf(stderr,
                     "all orders: %lld rows; resident %.1f MB at start of the program, %.1f before, peak %.1f\n",
                     (long long)rows, base, start, peak);
        printFigure("export-csv-all", t.wall, "ms");
        printFigure("export-csv-all-cpu", t.processor, "ms");
        printFigure("export-csv-all-rss-growth", peak - base, "MB");
    }
    sqlite3_close(db);
    return 0;
}
