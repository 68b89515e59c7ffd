// Times customer email in a program folder of its own: the email dialog's rebuild for an order
// with 100 items (two expansions, the preview file, the preview drawn) of a new page and of the
// page already shown, tag expansions per second of a 20 KB template with 50 tags, and the
// paste-data fill that runs on every move through the grid (the text, the window and the
// clipboard).
// Usage: pelmora-bench-email [--runs K]
// Prints "name value unit" lines; progress goes to standard error.

#include "common/ErrorLog.h"
#include "common/RecordingUserPort.h"
#include "common/Root.h"
#include "common/ServiceSettings.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "email/EmailComposer.h"
#include "email/EmailExpansion.h"
#include "email/PasteData.h"
#include "email/widgets/EmailDialog.h"
#include "email/widgets/PasteDetailsWindow.h"
#include "support/Figures.h"

#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <cstdio>
#include <ctime>
#include <stdexcept>

using namespace pelmora;
using namespace pelmora::bench;

namespace
{

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

void copyResources(const QString& root)
{
    const QDir resources(QStringLiteral(PELMORA_RESOURCES));
    QDirIterator it(resources.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = root + resources.relativeFilePath(source);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
    }
    QDir().mkpath(root + QStringLiteral("tmp"));
    QDir().mkpath(root + QStringLiteral("db"));
    QDir().mkpath(root + QStringLiteral("logs"));
}

void makeDatabase(const QString& path, int items)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-make"));
        db.setDatabaseName(path);
        if (!db.open())
            fail(QStringLiteral("cannot create %1").arg(path));
        Schema::create(db);
        Schema::insertDefaults(db);
        QSqlQuery q(db);
        db.transaction();
        q.exec(QStringLiteral(
            "INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,"
            "Invoice_address1,Invoice_state,Invoice_zip,Invoice_country,Invoice_email,Ship_name,Ship_address1,"
            "Ship_state,Ship_zip,Ship_country,Ship_tel,Shipping,Tax,Total,Payment_method,Payment_currency,Status)"
            " VALUES(5001,'shop','2024-03-05','14:07:09','Ann Able','Able Ltd','1 High Street','CA','90210','USA',"
            "'ann@example.com','Ann Able','1 High Street','CA','90210','USA','555-0100',4.95,12.5,1234.5,'PayPal',"
            "'USD','Paid')"));
        q.prepare(
            QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Price,Amount) VALUES(5001,?,?,?,?,?)"));
        for (int i = 0; i < items; ++i) {
            q.addBindValue(1 + i % 3);
            q.addBindValue(QStringLiteral("SKU-%1").arg(i, 5, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("Product number %1 with a longer description").arg(i));
            q.addBindValue(9.95 + i);
            q.addBindValue((9.95 + i) * (1 + i % 3));
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-make"));
}

QVariantMap orderRecord(DataModule& data)
{
    QSqlQuery q = data.select(QStringLiteral("SELECT * FROM Orders WHERE ShopperID = 5001"));
    if (!q.next())
        fail(QStringLiteral("no order"));
    QVariantMap order;
    const QSqlRecord r = q.record();
    for (int i = 0; i < r.count(); ++i)
        order.insert(r.fieldName(i), q.isNull(i) ? QVariant() : q.value(i));
    return order;
}

// About 20 KB of markup with 50 tags: a Config tag and 49 field tags.
QByteArray largeTemplate()
{
    static const char* tags[] = {"Invoice_name",
                                 "Invoice_company",
                                 "Invoice_address1",
                                 "Invoice_state",
                                 "Invoice_zip",
                                 "Invoice_country",
                                 "Date",
                                 "Time",
                                 "ShopperID",
                                 "Total",
                                 "Shipping",
                                 "Tax",
                                 "Payment_method",
                                 "Ship_name",
                                 "Ship_address1",
                                 "Ship_zip",
                                 "Payment_currency"};
    QByteArray page = "<#Config subject=\"Your order\" cc=\"\">\n<html><body><table>\n";
    for (int i = 0; i < 49; ++i) {
        page += "<tr><td style=\"padding:10px 8px; border-bottom:1px solid #e6e6e6; font-family:Arial, Helvetica, "
                "sans-serif; font-size:14px; line-height:20px; color:#333333;\">Field ";
        page += QByteArray::number(i) + "</td><td style=\"padding:10px 8px; text-align:right;\"><#" +
                tags[i % (sizeof tags / sizeof *tags)] + "></td></tr>\n";
        page += "<!-- a comment line that stands for the prose of a real template, kept the same -->\n";
    }
    while (page.size() < 20 * 1024 - 30)
        page += "<p style=\"margin:0;\">Kind regards, Your Shop Name</p>\n";
    return page + "</table></body></html>\n";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Repetitions (median)."),
                                        QStringLiteral("K"), QStringLiteral("50"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    try {
        QTemporaryDir dir;
        const Root programFolder(dir.path());
        const LogFolder logs(programFolder);
        const QString root = programFolder.path();
        copyResources(root);
        makeDatabase(root + QStringLiteral("db/Pelmora.tdbd"), 100);
        DataModule data;
        data.setLocation(root + QStringLiteral("db/Pelmora.tdbd"));
        data.ResetDB();
        if (!data.isConnected())
            fail(QStringLiteral("cannot open the database"));
        const QVariantMap order = orderRecord(data);

        // 1. The dialog's rebuild for the order with 100 items.
        RecordingUserPort port;
        const ServiceSettings service = ServiceSettings::load(programFolder);
        EmailComposer composer(data, port, service, programFolder);
        composer.setOrderSource([&order]() -> std::optional<QVariantMap> { return order; });
        EmailDialog dialog(composer, port, service);
        dialog.show();
        QApplication::processEvents();
        // A rebuild whose page changed (the typed message differs each time) does all the work;
        // one whose page did not ("Refresh", the dialog activated again) keeps the page shown.
        const auto timeRebuilds = [&](bool newPage, std::vector<double>& wall, std::vector<double>& processor) {
            for (int i = 0; i < runs; ++i) {
                if (newPage)
                    dialog.messageEdit()->setPlainText(QStringLiteral("Message %1").arg(i));
                const std::clock_t start = std::clock();
                wall.push_back(timeMs([&] {
                    dialog.rebuild();
                    dialog.preview()->viewport()->repaint();
                }));
                processor.push_back(1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC);
            }
            if (!dialog.preview()->toPlainText().contains(QStringLiteral("Product number 99")) ||
                !dialog.preview()->toPlainText().contains(QStringLiteral("Message %1").arg(runs - 1)))
                fail(QStringLiteral("the preview misses the items or the message"));
        };
        std::vector<double> rebuilds;
        std::vector<double> processor;
        timeRebuilds(true, rebuilds, processor);
        printFigure("email-rebuild-100-items", median(rebuilds), "ms");
        std::vector<double> refreshes;
        std::vector<double> refreshProcessor;
        timeRebuilds(false, refreshes, refreshProcessor);
        printFigure("email-refresh-100-items", median(refreshes), "ms");
        // Where it goes: the message alone (expansions, the preview file, the plain text); the
        // rest is the preview page parsed and laid out. Processor time shows what a busy
        // machine adds.
        std::vector<double> messages;
        for (int i = 0; i < runs; ++i)
            messages.push_back(timeMs([&] { composer.rebuild(); }));
        std::fprintf(stderr, "rebuild: %.1f ms processor time; the message alone %.1f ms\n", median(processor),
                     median(messages));
        dialog.hide();

        // 2. Expansions per second of a 20 KB template with 50 tags.
        QFile page(root + QStringLiteral("email/bench.htm"));
        const QByteArray pageBytes = largeTemplate();
        if (!page.open(QIODevice::WriteOnly) || page.write(pageBytes) != pageBytes.size())
            fail(QStringLiteral("cannot write the template"));
        page.close();
        std::fprintf(stderr, "template: %lld bytes\n", static_cast<long long>(pageBytes.size()));
        EmailExpansion expansion(data, programFolder);
        MessageFields fields;
        int count = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000) {
            for (int i = 0; i < 100; ++i)
                expansion.expand(page.fileName(), order, fields);
            count += 100;
        }
        printFigure("email-expansions", count / (double(clock.nsecsElapsed()) / 1e9), "per-s");

        // 3. The paste-data fill of one grid move: text, window, clipboard.
        PasteDetailsWindow window;
        std::vector<double> fills;
        for (int i = 0; i < runs * 4; ++i) {
            fills.push_back(timeMs([&] {
                const QString text = PasteData::fill(order, programFolder);
                window.setText(text);
                QGuiApplication::clipboard()->setText(text);
            }));
        }
        printFigure("paste-fill", median(fills), "ms");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelmora-bench-email: %s\n", e.what());
        return 1;
    }
    return 0;
}
