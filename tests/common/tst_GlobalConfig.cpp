// The twelve-line settings file: what each line reads as, the defaults of missing or bad
// lines, the bytes written, and the reserved values carried through.

#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "support/TestFolder.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QTest>
#include <limits>
#include <memory>

using namespace pelmora;
using pelmora::test::TestFolder;

namespace
{
// The settings as "Name=value" lines, so that a case states only what differs from the defaults.
QStringList describe(const GlobalSettings& s)
{
    const auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    return QStringLiteral("AutoBackup=%1|DatabaseLocation=%2|BackupFolder=%3|ReservedFlag5=%4|AutoDownload=%5|"
                          "ReservedFlag7=%6|DownloadAllAccounts=%7|ReservedMinutes=%8|DownloadMinutes=%9|"
                          "ReservedText11=%10|ReservedText12=%11")
        .arg(flag(s.AutoBackup), s.DatabaseLocation, s.BackupFolder, flag(s.ReservedFlag5), flag(s.AutoDownload),
             flag(s.ReservedFlag7), flag(s.DownloadAllAccounts), s.ReservedMinutes, s.DownloadMinutes, s.ReservedText11,
             s.ReservedText12)
        .split('|');
}

// "<root>" stands for the program folder, which is known only once a test runs.
QStringList defaults()
{
    return QStringLiteral("AutoBackup=false|DatabaseLocation=<root>db/Pelmora.tdbd|BackupFolder=<root>db/backup|"
                          "ReservedFlag5=false|AutoDownload=false|ReservedFlag7=false|DownloadAllAccounts=false|"
                          "ReservedMinutes=20|DownloadMinutes=20|ReservedText11=%1|ReservedText12=")
        .arg(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat))
        .split('|');
}

QStringList withChanges(const QStringList& changes)
{
    QStringList expected = defaults();
    for (const QString& change : changes) {
        const QString name = change.section('=', 0, 0) + '=';
        for (QString& line : expected)
            if (line.startsWith(name))
                line = change;
    }
    return expected;
}

QStringList fullFile()
{
    return {"-1", "/shop/Shop.tdbd", "/shop/backup", "/shop/backup", "-1", "-1", "-1", "-1", "45",
            "15", "3/4/05",          "kept as it is"};
}

QStringList fullFileSettings()
{
    return QStringLiteral(
               "AutoBackup=true|DatabaseLocation=/shop/Shop.tdbd|BackupFolder=/shop/backup|ReservedFlag5=true|"
               "AutoDownload=true|ReservedFlag7=true|DownloadAllAccounts=true|ReservedMinutes=45|"
               "DownloadMinutes=15|ReservedText11=3/4/05|ReservedText12=kept as it is")
        .split('|');
}

QStringList replaced(QStringList lines, int number, const QString& text)
{
    lines[number - 1] = text;
    return lines;
}
} // namespace

class GlobalConfigTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { folder_ = std::make_unique<TestFolder>(false); }
    void cleanup() { folder_.reset(); }

    void parse_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("no lines") << QStringList() << defaults();
        QTest::newRow("only two lines") << QStringList{"-1", "/data/Shop.tdbd"}
                                        << withChanges({"AutoBackup=true", "DatabaseLocation=/data/Shop.tdbd"});
        QTest::newRow("empty line 2") << QStringList{"0", QString()} << defaults();
        QTest::newRow("line 4 not read") << replaced(fullFile(), 4, "/elsewhere") << fullFileSettings();
        QTest::newRow("all lines") << fullFile() << fullFileSettings();
        QTest::newRow("line 10 abc") << replaced(fullFile(), 10, "abc")
                                     << replaced(fullFileSettings(), 9, "DownloadMinutes=20");
        QTest::newRow("words") << QStringList{"True", QString(), QString(), QString(), "False", "True", "False", "True"}
                               << withChanges({"AutoBackup=true", "AutoDownload=true", "DownloadAllAccounts=true"});
        QTest::newRow("numbers") << QStringList{"5", QString(), QString(), QString(), "0", "-1", "1", "0"}
                                 << withChanges({"AutoBackup=true", "AutoDownload=true", "ReservedFlag7=true"});
        // A bad line puts only its own setting to the default.
        QTest::newRow("bad flag") << replaced(fullFile(), 1, "yes")
                                  << replaced(fullFileSettings(), 1, "AutoBackup=false");
        QTest::newRow("extra lines ignored")
            << (fullFile() << QStringLiteral("0") << QStringLiteral("more")) << fullFileSettings();
    }

    void parse()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        expected.replaceInStrings(QStringLiteral("<root>"), folder_->path());
        QCOMPARE(describe(GlobalConfig::parse(lines, folder_->root())), expected);
    }

    void loadLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray lines = fullFile().join(QStringLiteral("\r\n")).toLocal8Bit();
        QTest::newRow("CR LF") << lines + "\r\n";
        QTest::newRow("no final line end") << lines;
        QTest::newRow("LF") << fullFile().join('\n').toLocal8Bit() + "\n";
    }

    void loadLineEnds()
    {
        QFETCH(QByteArray, bytes);
        folder_->writeFile(QStringLiteral("cnfg/config_global.ini"), bytes);
        QCOMPARE(describe(GlobalConfig::load(folder_->root())), fullFileSettings());
        QCOMPARE(folder_->logLines(), QStringList());
    }

    void missingFile()
    {
        QVERIFY(!QFile::exists(GlobalConfig::path(folder_->root())));
        QCOMPARE(describe(GlobalConfig::load(folder_->root())),
                 defaults().replaceInStrings(QStringLiteral("<root>"), folder_->path()));
        const QStringList log = folder_->logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].contains(QLatin1String("config_global.ini")), qPrintable(log[0]));
    }

    void saveWritesTwelveLines()
    {
        GlobalSettings s = GlobalConfig::parse({}, folder_->root());
        s.AutoBackup = true;
        s.DatabaseLocation = QStringLiteral("/shop/Shop.tdbd");
        s.BackupFolder = QStringLiteral("/shop/backup");
        s.AutoDownload = true;
        s.DownloadMinutes = QStringLiteral("5");
        s.ReservedText11 = QStringLiteral("12/31/06");
        GlobalConfig::save(s, folder_->root());
        QCOMPARE(folder_->readFile(QStringLiteral("cnfg/config_global.ini")),
                 QByteArray("-1\r\n/shop/Shop.tdbd\r\n/shop/backup\r\n/shop/backup\r\n0\r\n-1\r\n0\r\n0\r\n20\r\n5\r\n"
                            "12/31/06\r\n\r\n"));
    }

    void reservedValuesCarried_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output");
        const QByteArray written = fullFile().join(QStringLiteral("\r\n")).toLocal8Bit() + "\r\n";
        QTest::newRow("as written") << written << written;
        // Flags come back in the file's own form; line 4 repeats line 3.
        QTest::newRow("words and numbers")
            << QByteArray(
                   "True\r\n/a.tdbd\r\n/b\r\n/c\r\n7\r\nFalse\r\nTrue\r\n0\r\n 30\r\n10\r\nsome day\r\nnotes\r\n")
            << QByteArray("-1\r\n/a.tdbd\r\n/b\r\n/b\r\n-1\r\n0\r\n-1\r\n0\r\n 30\r\n10\r\nsome day\r\nnotes\r\n");
    }

    void reservedValuesCarried()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        folder_->writeFile(QStringLiteral("cnfg/config_global.ini"), input);
        GlobalConfig::save(GlobalConfig::load(folder_->root()), folder_->root());
        QCOMPARE(folder_->readFile(QStringLiteral("cnfg/config_global.ini")), output);
    }

    void downloadInterval_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("blanks") << QStringLiteral(" 5 ") << 300000;
        QTest::newRow("zero is one minute") << QStringLiteral("0") << 60000;
        QTest::newRow("more than a timer holds") << QStringLiteral("99999") << std::numeric_limits<int>::max();
        // -1: refused as no whole number.
        QTest::newRow("not a number") << QStringLiteral("abc") << -1;
        QTest::newRow("beyond a whole number") << QStringLiteral("99999999999999999") << -1;
    }

    void downloadInterval()
    {
        QFETCH(QString, minutes);
        QFETCH(int, milliseconds);
        GlobalSettings s;
        s.DownloadMinutes = minutes;
        int shown = -1;
        try {
            shown = s.downloadIntervalMs();
        } catch (const Error& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(minutes));
        }
        QCOMPARE(shown, milliseconds);
    }

  private:
    std::unique_ptr<TestFolder> folder_;
};

QTEST_GUILESS_MAIN(GlobalConfigTest)
#include "tst_GlobalConfig.moc"
