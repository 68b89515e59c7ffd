// The error log as a merchant finds it on disk, and the application-wide error handler.

#include "common/ApplicationError.h"
#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "common/RecordingUserPort.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using namespace pelmora;
using pelmora::test::TestFolder;

namespace
{
// date-time ": " message suffix, with the en_US short date and long time.
const QRegularExpression kLine(QStringLiteral("^(\\d{1,2}/\\d{1,2}/\\d\\d)( \\d{1,2}:\\d\\d:\\d\\d [AP]M)?: (.*)$"),
                               QRegularExpression::DotMatchesEverythingOption);

// The text after the date and time of a log line; empty when the line has not that form.
QString afterDateTime(const QString& line)
{
    const auto m = kLine.match(line);
    if (!m.hasMatch())
        return QString();
    const QDate date = QLocale().toDate(m.captured(1), QLocale::ShortFormat).addYears(100);
    // Written just now: today (or yesterday, when the test runs across midnight).
    const QDate today = QDate::currentDate();
    if (date != today && date != today.addDays(-1))
        return QStringLiteral("<date %1>").arg(m.captured(1));
    return m.captured(3);
}
} // namespace

class ErrorLogTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { folder_ = std::make_unique<TestFolder>(false); }
    void cleanup() { folder_.reset(); }

    void dateTime_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon") << QDateTime(QDate(2006, 12, 31), QTime(14, 30, 5))
                                   << QStringLiteral("12/31/06 2:30:05 PM");
        QTest::newRow("noon") << QDateTime(QDate(2007, 1, 2), QTime(12, 0, 0)) << QStringLiteral("1/2/07 12:00:00 PM");
        QTest::newRow("midnight") << QDateTime(QDate(2007, 1, 2), QTime(0, 0, 0)) << QStringLiteral("1/2/07");
        QTest::newRow("a second past midnight")
            << QDateTime(QDate(2007, 1, 2), QTime(0, 0, 1)) << QStringLiteral("1/2/07 12:00:01 AM");
    }

    void dateTime()
    {
        QFETCH(QDateTime, moment);
        QFETCH(QString, text);
        QCOMPARE(LogDateTime(moment), text);
    }

    void linesInOrderAfterEarlierContent()
    {
        folder_->writeFile(QStringLiteral("logs/Error log.txt"), "1/1/06 earlier entry\r\n");
        LogError(QStringLiteral("Connection refused"), QStringLiteral(" method: Download"));
        // A message's own line breaks stay as they are; the entry ends with CR LF.
        LogError(QStringLiteral("line one\r\nline two\nline three"));
        const QByteArray bytes = folder_->readFile(QStringLiteral("logs/Error log.txt"));
        QVERIFY2(bytes.endsWith(": line one\r\nline two\nline three\r\n"), bytes.constData());
        const QStringList lines = QString::fromLocal8Bit(bytes).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("1/1/06 earlier entry"));
        QCOMPARE(afterDateTime(lines[1]), QStringLiteral("Connection refused method: Download"));
        QCOMPARE(afterDateTime(lines[2] + QStringLiteral("\r\n") + lines[3]),
                 QStringLiteral("line one\r\nline two\nline three"));
    }

    void logFolder()
    {
        // The folder and the file are made when they are not there.
        QVERIFY(QDir(folder_->file(QStringLiteral("logs"))).removeRecursively());
        WriteLog(QStringLiteral("12/31/06 tag message"), QStringLiteral("Error log.txt"));
        WriteLog(QStringLiteral("sent"), QStringLiteral("Mail log.txt"));
        QCOMPARE(folder_->readFile(QStringLiteral("logs/Error log.txt")), QByteArray("12/31/06 tag message\r\n"));
        QCOMPARE(folder_->readFile(QStringLiteral("logs/Mail log.txt")), QByteArray("sent\r\n"));
        // A file stands where the log folder should be.
        QVERIFY(QDir(folder_->file(QStringLiteral("logs"))).removeRecursively());
        folder_->writeFile(QStringLiteral("logs"), "not a folder");
        QVERIFY_THROWS_EXCEPTION(Error, WriteLog(QStringLiteral("x"), kErrorLogFile));
        // From inside an error handler the log line never ends the program.
        LogError(QStringLiteral("lost"), QStringLiteral(" application error"));
        QCOMPARE(folder_->readFile(QStringLiteral("logs")), QByteArray("not a folder"));
    }

    void guardAndCommandErrorsAreLogged()
    {
        bool after = false;
        QVERIFY(!Guard(QStringLiteral(" method: FormClose"), [&] {
            throw Error(QStringLiteral("Cannot create file"));
            after = true;
        }));
        QVERIFY(!after);
        QVERIFY(Guard(QStringLiteral(" method: FormClose"), [&] { after = true; }));
        QVERIFY(after);

        // What escapes a command reaches ApplicationError.
        RecordingUserPort port;
        QVERIFY(!RunCommand(port, [] { throw Error(QStringLiteral("Table is busy")); }));
        QVERIFY(!RunCommand(port, [] { throw 42; }));
        QVERIFY(RunCommand(port, [&] { port.setStatus(QStringLiteral("done")); }));
        QCOMPARE(port.statuses,
                 QStringList({"No matches found. All orders shown", "No matches found. All orders shown", "done"}));
        QCOMPARE(port.boxes, QStringList());
        const QStringList lines = folder_->logLines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(afterDateTime(lines[0]), QStringLiteral("Cannot create file method: FormClose"));
        QCOMPARE(afterDateTime(lines[1]), QStringLiteral("Table is busy application error"));
        QVERIFY(lines[2].endsWith(QLatin1String(" application error")));
    }

  private:
    std::unique_ptr<TestFolder> folder_;
};

QTEST_GUILESS_MAIN(ErrorLogTest)
#include "tst_ErrorLog.moc"
