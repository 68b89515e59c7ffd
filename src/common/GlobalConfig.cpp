#include "common/GlobalConfig.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Root.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <limits>

namespace pelmora
{

namespace
{

// Runs one line's reading; a failure leaves the setting at its default.
template <typename Read> void readLine(const QStringList& lines, int number, Read&& read)
{
    try {
        if (number > lines.size())
            return;
        read(lines.at(number - 1));
    } catch (const std::exception&) {
        // A bad line only puts its own setting to the default.
    }
}

QString wholeNumber(const QString& text)
{
    bool ok = false;
    text.trimmed().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return text;
}

} // namespace

QString GlobalSettings::defaultDatabaseLocation(const Root& root)
{
    return root.file(QStringLiteral("db/Pelmora.tdbd"));
}

QString GlobalSettings::defaultBackupFolder(const Root& root)
{
    return root.file(QStringLiteral("db/backup"));
}

int GlobalSettings::downloadIntervalMs() const
{
    bool ok = false;
    const qint64 minutes = DownloadMinutes.trimmed().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(DownloadMinutes));
    // At least one minute, at most what a timer holds: a zero or negative interval would
    // download without pause, and a large one must not overflow.
    return int(std::clamp<qint64>(minutes * 60000, 60000, std::numeric_limits<int>::max()));
}

QString GlobalConfig::path(const Root& root)
{
    return root.file(QStringLiteral("cnfg/config_global.ini"));
}

bool GlobalConfig::readFlag(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong value = t.toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    return value != 0;
}

GlobalSettings GlobalConfig::parse(const QStringList& lines, const Root& root)
{
    GlobalSettings s;
    s.DatabaseLocation = GlobalSettings::defaultDatabaseLocation(root);
    s.BackupFolder = GlobalSettings::defaultBackupFolder(root);
    s.ReservedText11 = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);

    readLine(lines, 1, [&](const QString& l) { s.AutoBackup = readFlag(l); });
    readLine(lines, 2, [&](const QString& l) {
        if (!l.isEmpty())
            s.DatabaseLocation = l;
    });
    readLine(lines, 3, [&](const QString& l) {
        if (!l.isEmpty())
            s.BackupFolder = l;
    });
    readLine(lines, 5, [&](const QString& l) { s.ReservedFlag5 = readFlag(l); });
    readLine(lines, 6, [&](const QString& l) { s.AutoDownload = readFlag(l); });
    readLine(lines, 7, [&](const QString& l) { s.ReservedFlag7 = readFlag(l); });
    readLine(lines, 8, [&](const QString& l) { s.DownloadAllAccounts = readFlag(l); });
    readLine(lines, 9, [&](const QString& l) { s.ReservedMinutes = wholeNumber(l); });
    readLine(lines, 10, [&](const QString& l) { s.DownloadMinutes = wholeNumber(l); });
    readLine(lines, 11, [&](const QString& l) { s.ReservedText11 = l; });
    readLine(lines, 12, [&](const QString& l) { s.ReservedText12 = l; });
    return s;
}

GlobalSettings GlobalConfig::load(const Root& root)
{
    QFile file(path(root));
    if (!file.open(QIODevice::ReadOnly)) {
        LogError(QStringLiteral("Cannot open file \"%1\": %2; default settings used")
                     .arg(QDir::toNativeSeparators(path(root)), file.errorString()),
                 QStringLiteral(" method: LoadGlobalConfig"));
        return parse({}, root);
    }
    return parse(GlobalConfig::lines(file.readAll()), root);
}

QStringList GlobalConfig::lines(const QByteArray& content)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype newline = content.indexOf('\n', start);
        const qsizetype next = newline < 0 ? content.size() : newline + 1;
        QByteArray line = content.mid(start, next - start);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        lines << QString::fromLocal8Bit(line);
        start = next;
    }
    return lines;
}

QByteArray GlobalConfig::serialize(const GlobalSettings& s)
{
    const QStringList lines{writeFlag(s.AutoBackup),
                            s.DatabaseLocation,
                            s.BackupFolder,
                            s.BackupFolder,
                            writeFlag(s.ReservedFlag5),
                            writeFlag(s.AutoDownload),
                            writeFlag(s.ReservedFlag7),
                            writeFlag(s.DownloadAllAccounts),
                            s.ReservedMinutes,
                            s.DownloadMinutes,
                            s.ReservedText11,
                            s.ReservedText12};
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    return bytes;
}

void GlobalConfig::save(const GlobalSettings& settings, const Root& root)
{
    QDir().mkpath(root.file(QStringLiteral("cnfg")));
    const QString path = GlobalConfig::path(root);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    file.write(serialize(settings));
    if (!file.commit())
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace pelmora
