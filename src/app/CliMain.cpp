// pelmora-cli: runs Pelmora's operations without windows on a program folder.

#include "common/Counted.h"
#include "common/ErrorLog.h"
#include "common/Pause.h"
#include "common/RecordingUserPort.h"
#include "common/Root.h"
#include "email/EmailScript.h"
#include "export/Exporter.h"
#include "intake/AccountDownloads.h"
#include "intake/BatchImport.h"
#include "intake/IntakeContext.h"
#include "intake/UsersTableSelection.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/ReportRepository.h"
#include "shell/Session.h"
#include "toolkit/HttpClient.h"
#include "toolkit/MessageText.h"
#include "workspace/ExportDataSets.h"
#include "workspace/OrderArchiving.h"
#include "workspace/ReportPipelines.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace pelmora;

namespace
{

const char* kDescription =
    "Runs Pelmora's operations on a program folder, without windows.\n"
    "\n"
    "Commands:\n"
    "  import FILE\n"
    "      Imports FILE, a download file, into the orders and items of the database exactly\n"
    "      as the program imports a download (one transaction: a failing record leaves the\n"
    "      database unchanged). FILE itself is kept.\n"
    "  download [--account NAME | --all]\n"
    "      Downloads and imports the new orders of one cart account (NAME, or else the first\n"
    "      account of the database) or of every account, through the proxy of the\n"
    "      preferences, as the program's Download command and automatic download do.\n"
    "  backup\n"
    "      Backs the database up as \"Backup now\" does: a consistent copy, taken also while\n"
    "      another program writes, replaces the backup only when it opens as a database.\n"
    "  restore\n"
    "      Puts the last backup in place of the database as \"Restore last backup\" does,\n"
    "      without asking first; a damaged backup is refused.\n"
    "  archive --completed | --up-to YYYY-MM-DD\n"
    "      Moves finished orders and their items into the archive tables, as the program's\n"
    "      \"Archive orders\" does: every order whose status is \"Completed\" with all its items,\n"
    "      or every order and every item dated up to and including the day. One transaction:\n"
    "      a failure moves nothing. Prints how many orders and items moved.\n"
    "  email ORDER [--template NAME] [--message TEXT] [--send]\n"
    "      Expands the e-mail template NAME (default: the first one of the preferences'\n"
    "      list) for order number ORDER with TEXT as the additional message and prints the\n"
    "      HTML body; with --send, sends it to the customer through the mail relay as the\n"
    "      e-mail dialog's Send does and prints the confirmation instead.\n"
    "  paste ORDER\n"
    "      Prints the paste-data text of order number ORDER (\"Data template\" folder).\n"
    "  report NAME --out FILE.pdf [--order N | --filter EXPR]\n"
    "      Renders the stored report layout NAME (as the Report Explorer lists it) to a PDF\n"
    "      over every live order, over the order numbered N, or over the orders the\n"
    "      condition EXPR selects, written as the grid's filter writes it, for example\n"
    "      \"Invoice_date = '2008-01-01'\" or \"Status = 'Paid' and Total > '100'\".\n"
    "\n"
    "The database is the one cnfg/config_global.ini of the program folder names (default\n"
    "db/Pelmora.tdbd); cart hosts, the mail relay and extra trusted authorities come from\n"
    "cnfg/service.ini; failures are also written to logs/Error log.txt.\n"
    "Prints the status texts the program would show. Exit status: 0 on success, 1 on\n"
    "failure (the reason on standard error), 2 for a wrong command line.";

void printLine(FILE* stream, const QString& text)
{
    // Written whole: a NUL in a value does not end the line early.
    const QByteArray bytes = toolkit::quotedValue(text, kLogMessageLimit).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// Prints what the user would have seen.
class ConsolePort : public RecordingUserPort
{
  public:
    ConsolePort()
    {
        onStatus = [](const QString& text) { printLine(stdout, text); };
    }
    void information(const QString& text) override
    {
        RecordingUserPort::information(text);
        printLine(stdout, text);
    }
    void warning(const QString& text) override
    {
        RecordingUserPort::warning(text);
        printLine(stderr, text);
    }
};

int usage(const QString& message)
{
    printLine(stderr, message + QStringLiteral("\nSee pelmora-cli --help."));
    return 2;
}

int runImport(Session& session, const QString& file)
{
    const ImportResult result = BatchImport(session.data(), session.port(), session.root(), session.pause())
                                    .importFile(QFileInfo(file).absoluteFilePath());
    if (!result.ok) {
        printLine(stderr, result.error);
        return 1;
    }
    return 0;
}

// Why an account's download did not succeed, or empty.
QString failureOf(const AccountDownload& account)
{
    const DownloadResult& d = account.download;
    const QString name = QStringLiteral("\"%1\": ").arg(account.username);
    switch (d.outcome) {
    case DownloadResult::Outcome::Placeholder:
        return name + QStringLiteral("this is the placeholder account; enter the cart accounts in the preferences");
    case DownloadResult::Outcome::Failed:
        return name + d.error;
    case DownloadResult::Outcome::Answered:
        break;
    }
    if (!d.mstatus)
        return name + QStringLiteral("the server sent no Mstatus header");
    if (!d.succeeded())
        return name + d.statusText;
    if (account.imported && !account.import.ok)
        return name + account.import.error;
    return {};
}

// backup and restore: the same operations as the menu commands (restore without asking).
int runMaintenance(Session& session, const QString& command)
{
    Maintenance& maintenance = session.maintenance();
    const MaintenanceResult result =
        command == QLatin1String("backup") ? maintenance.backupNow() : maintenance.restoreLastBackup(false);
    if (!result.ok) {
        printLine(stderr, result.error);
        return 1;
    }
    return 0;
}

int runDownload(Session& session, const QString& account, bool all)
{
    toolkit::HttpClient http;
    IntakeContext context{session.data(), session.port(),  session.service(), http,
                          session.root(), session.pause(), session.flags()};
    UsersTableSelection selection(session.data());
    AccountDownloads downloads(context, selection, session.settings());

    DownloadRun run;
    if (all) {
        downloads.applyProxy();
        run = downloads.downloadAllAccounts(AccountDownloads::kTimerSuffix);
    } else {
        if (!account.isNull()) {
            const int index = selection.find(account);
            if (index < 0) {
                printLine(stderr, QStringLiteral("No account named \"%1\"").arg(account));
                return 1;
            }
            selection.selectAccount(index);
        }
        run = downloads.manualDownload();
    }
    bool failed = run.ended;
    if (run.ended)
        printLine(stderr, QStringLiteral("The download ended early; see logs/Error log.txt"));
    for (const AccountDownload& a : run.accounts) {
        // In an all-accounts download the placeholder row is passed over.
        if (all && a.download.outcome == DownloadResult::Outcome::Placeholder)
            continue;
        const QString failure = failureOf(a);
        if (!failure.isEmpty()) {
            printLine(stderr, failure);
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

int runEmail(Session& session, const QStringList& args, const QString& templateName, const QString& message, bool send)
{
    EmailScript script(session.data(), session.port(), session.service(), session.root());
    try {
        if (args.first() == QLatin1String("paste")) {
            std::fputs(script.paste(args.at(1)).toLocal8Bit().constData(), stdout);
            return 0;
        }
        const QString html = script.email(args.at(1), templateName, message, send);
        if (!send)
            printLine(stdout, html);
        return 0;
    } catch (const std::exception& e) {
        const QString reason = QString::fromStdString(e.what());
        LogError(reason, QStringLiteral(" application error"));
        printLine(stderr, reason);
        return 1;
    }
}

int runArchive(Session& session, ArchiveMode mode, const QDate& upTo)
{
    const ArchiveResult result = OrderArchiving(session.data(), session.port()).runUnattended(mode, upTo);
    if (!result.archived()) {
        printLine(stderr, result.error);
        return 1;
    }
    printLine(stdout, QStringLiteral("Moved %1 and %2 to the archive.")
                          .arg(Counted(result.orders, QStringLiteral("order"), QStringLiteral("orders")),
                               Counted(result.items, QStringLiteral("item"), QStringLiteral("items"))));
    return 0;
}

int runReport(Session& session, const QString& name, const QString& out, const QString& order, const QString& filter)
{
    try {
        reports::ReportRepository repository(session.data().database());
        const int id = repository.findByName(name);
        if (id == 0) {
            printLine(stderr, QStringLiteral("No report named \"%1\"").arg(name));
            return 1;
        }
        reports::ReportLayout layout = repository.load(id);
        ReportPipelines::Selection selection;
        if (!order.isNull())
            selection.filterExpression = QStringLiteral("ShopperID = %1").arg(order.toLongLong());
        else if (!filter.isNull())
            selection.filterExpression = ReportPipelines::expressionOfGridFilter(filter);
        // One order is also the current order of a layout over the current row.
        if (!order.isNull())
            selection.currentKey =
                session.data().scalar(QStringLiteral("SELECT id FROM Orders WHERE ShopperID = %1 ORDER BY id LIMIT 1")
                                          .arg(order.toLongLong()));
        ReportPipelines pipelines(session.data().database(), selection);
        reports::ReportDocument document(std::move(layout), pipelines);
        const int pages = reports::ReportOutput::writePdf(document, QFileInfo(out).absoluteFilePath());
        printLine(stdout, QStringLiteral("%1: %2 page(s) written to %3").arg(name).arg(pages).arg(out));
        return 0;
    } catch (const std::exception& e) {
        printLine(stderr, QString::fromUtf8(e.what()));
        return 1;
    }
}

int runExport(Session& session, const QString& what, const QString& formatName, const QString& out, bool archive,
              const QString& fields)
{
    const std::optional<ExportFormat> format = ExportFormats::find(formatName);
    if (!format)
        return usage(QStringLiteral("Unknown export format \"%1\".").arg(formatName));
    sqlite3* db = session.data().handle();
    const OrdersSource source = archive ? OrdersSource::Archive : OrdersSource::Live;
    try {
        const ExportDataSet data = what == QLatin1String("orders") ? ExportDataSets::orders(db, source, QString())
                                   : archive                       ? ExportDataSets::allItems(db, source)
                                                                   : ExportDataSets::itemQuery(db, QString());
        ExportOptions options;
        options.load(session.root().file(data.optionsFile));
        options.format = *format;
        options.title = data.title;
        if (!fields.isNull()) {
            const QStringList wanted = fields.split(u',', Qt::SkipEmptyParts);
            options.omittedFields.clear();
            for (const ExportColumn& c : data.columns)
                if (!wanted.contains(c.name, Qt::CaseInsensitive))
                    options.omittedFields << c.name;
            for (const QString& name : wanted) {
                const bool known = std::any_of(data.columns.begin(), data.columns.end(), [&](const ExportColumn& c) {
                    return c.name.compare(name, Qt::CaseInsensitive) == 0;
                });
                if (!known)
                    return usage(QStringLiteral("No field named \"%1\".").arg(name));
            }
        }
        const QString path = QFileInfo(out).absoluteFilePath();
        auto rows = data.open(db);
        const ExportResult result = Exporter::run(*rows, options, path);
        if (!result.ok) {
            printLine(stderr, result.error);
            return 1;
        }
        printLine(stdout, QStringLiteral("%1 exported to %2")
                              .arg(Counted(result.rows, what.chopped(1), what), QDir::toNativeSeparators(path)));
        return 0;
    } catch (const std::exception& e) {
        printLine(stderr, QString::fromStdString(e.what()));
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Exports and reports paint pages and measure text: that needs the fonts of a GUI
    // application, which without a display is an offscreen one.
    const bool drawing = argc > 1 && std::any_of(argv + 1, argv + argc, [](const char* a) {
                             return qstrcmp(a, "export") == 0 || qstrcmp(a, "report") == 0;
                         });
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application =
        drawing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("pelmora-cli"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"),
                                  QStringLiteral("The program folder (default: the folder of this program)."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption accountOption(QStringLiteral("account"),
                                           QStringLiteral("download: the account to download (its Username)."),
                                           QStringLiteral("NAME"));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       QStringLiteral("download: every account, in table order."));
    const QCommandLineOption completedOption(QStringLiteral("completed"),
                                             QStringLiteral("archive: the orders whose status is \"Completed\"."));
    const QCommandLineOption upToOption(QStringLiteral("up-to"),
                                        QStringLiteral("archive: the orders and items dated up to and including DAY."),
                                        QStringLiteral("DAY"));
    const QCommandLineOption templateOption(
        QStringLiteral("template"), QStringLiteral("email: the template to use (its name)."), QStringLiteral("NAME"));
    const QCommandLineOption messageOption(QStringLiteral("message"), QStringLiteral("email: the additional message."),
                                           QStringLiteral("TEXT"));
    const QCommandLineOption sendOption(QStringLiteral("send"), QStringLiteral("email: send it to the customer."));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("export: xlsx, docx, rtf, html, xml, pdf, txt or csv."),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("export, report: the file to write."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption archiveOption(QStringLiteral("archive"),
                                           QStringLiteral("export: the archived orders or items."));
    const QCommandLineOption fieldsOption(QStringLiteral("fields"),
                                          QStringLiteral("export: the fields to export, separated by commas."),
                                          QStringLiteral("LIST"));
    const QCommandLineOption orderOption(QStringLiteral("order"),
                                         QStringLiteral("report: only the order with this number (ShopperID)."),
                                         QStringLiteral("N"));
    const QCommandLineOption filterOption(QStringLiteral("filter"),
                                          QStringLiteral("report: only the orders this condition selects."),
                                          QStringLiteral("EXPR"));
    parser.addOptions({root, accountOption, allOption, completedOption, upToOption, templateOption, messageOption,
                       sendOption, formatOption, outOption, archiveOption, fieldsOption, orderOption, filterOption});
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("import, download, backup, restore, archive, email, paste, export or report"));
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("import: the download file; email, paste: the order; export: orders or items; report: its name"),
        QStringLiteral("[FILE|ORDER|orders|items|NAME]"));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("No command given."));
    const QString command = args.first();
    const QDate upTo = QDate::fromString(parser.value(upToOption), Qt::ISODate);
    if (command != QLatin1String("archive") && (parser.isSet(completedOption) || parser.isSet(upToOption)))
        return usage(QStringLiteral("--completed and --up-to belong to archive."));
    if (command == QLatin1String("import")) {
        if (args.size() != 2 || parser.isSet(accountOption) || parser.isSet(allOption))
            return usage(QStringLiteral("import takes one FILE."));
    } else if (command == QLatin1String("backup") || command == QLatin1String("restore")) {
        if (args.size() != 1 || parser.isSet(accountOption) || parser.isSet(allOption))
            return usage(QStringLiteral("%1 takes no arguments.").arg(command));
    } else if (command == QLatin1String("download")) {
        if (args.size() != 1 || (parser.isSet(accountOption) && parser.isSet(allOption)))
            return usage(QStringLiteral("download takes --account NAME or --all, not both."));
    } else if (command == QLatin1String("email") || command == QLatin1String("paste")) {
        if (args.size() != 2 || parser.isSet(accountOption) || parser.isSet(allOption))
            return usage(command + QStringLiteral(" takes one ORDER number."));
        if (command == QLatin1String("paste") &&
            (parser.isSet(templateOption) || parser.isSet(messageOption) || parser.isSet(sendOption)))
            return usage(QStringLiteral("paste takes no e-mail options."));
    } else if (command == QLatin1String("archive")) {
        if (args.size() != 1 || parser.isSet(accountOption) || parser.isSet(allOption) ||
            parser.isSet(completedOption) == parser.isSet(upToOption))
            return usage(QStringLiteral("archive takes --completed or --up-to YYYY-MM-DD."));
        if (parser.isSet(upToOption) && !upTo.isValid())
            return usage(QStringLiteral("\"%1\" is not a day written YYYY-MM-DD.").arg(parser.value(upToOption)));
    } else if (command == QLatin1String("export")) {
        if (args.size() != 2 || (args.at(1) != QLatin1String("orders") && args.at(1) != QLatin1String("items")))
            return usage(QStringLiteral("export takes orders or items."));
        if (!parser.isSet(formatOption) || !parser.isSet(outOption))
            return usage(QStringLiteral("export needs --format FORMAT and --out FILE."));
    } else if (command == QLatin1String("report")) {
        if (args.size() != 2 || !parser.isSet(outOption) || parser.isSet(accountOption) || parser.isSet(allOption))
            return usage(QStringLiteral("report takes NAME and --out FILE.pdf."));
        if (parser.isSet(orderOption) && parser.isSet(filterOption))
            return usage(QStringLiteral("report takes --order N or --filter EXPR, not both."));
        bool number = false;
        if (parser.isSet(orderOption))
            parser.value(orderOption).toLongLong(&number);
        if (parser.isSet(orderOption) && !number)
            return usage(QStringLiteral("--order takes an order number."));
    } else {
        return usage(QStringLiteral("Unknown command \"%1\".").arg(command));
    }
    const bool exportOnly = parser.isSet(formatOption) || parser.isSet(archiveOption) || parser.isSet(fieldsOption);
    if (exportOnly && command != QLatin1String("export"))
        return usage(QStringLiteral("--format, --archive and --fields belong to export."));
    if (parser.isSet(outOption) && command != QLatin1String("export") && command != QLatin1String("report"))
        return usage(QStringLiteral("--out belongs to export and report."));
    if ((parser.isSet(orderOption) || parser.isSet(filterOption)) && command != QLatin1String("report"))
        return usage(QStringLiteral("--order and --filter belong to report."));

    // The program's fixed waits are there for a window; a script does not need them.
    Session session(
        Root(parser.isSet(root) ? QFileInfo(parser.value(root)).absoluteFilePath() : Root::executableFolder()),
        Pause::none());
    ConsolePort port;
    session.attachPort(&port);
    session.openQuietly();
    // A damaged database is what a restore is for; a backup says itself why it refuses one.
    if (command == QLatin1String("backup") || command == QLatin1String("restore"))
        return runMaintenance(session, command);
    if (!session.data().isConnected()) {
        printLine(
            stderr,
            QStringLiteral("Cannot open the database \"%1\"; see logs/Error log.txt").arg(session.data().location()));
        return 1;
    }
    if (command == QLatin1String("import"))
        return runImport(session, args.at(1));
    if (command == QLatin1String("email") || command == QLatin1String("paste"))
        return runEmail(session, args, parser.value(templateOption), parser.value(messageOption),
                        parser.isSet(sendOption));
    if (command == QLatin1String("archive"))
        return runArchive(session, parser.isSet(completedOption) ? ArchiveMode::Completed : ArchiveMode::ByDate, upTo);
    if (command == QLatin1String("export"))
        return runExport(session, args.at(1), parser.value(formatOption), parser.value(outOption),
                         parser.isSet(archiveOption),
                         parser.isSet(fieldsOption) ? parser.value(fieldsOption) : QString());
    if (command == QLatin1String("report"))
        return runReport(session, args.at(1), parser.value(outOption),
                         parser.isSet(orderOption) ? parser.value(orderOption) : QString(),
                         parser.isSet(filterOption) ? parser.value(filterOption) : QString());
    return runDownload(session, parser.isSet(accountOption) ? parser.value(accountOption) : QString(),
                       parser.isSet(allOption));
}
