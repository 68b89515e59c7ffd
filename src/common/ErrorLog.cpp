#include "common/ErrorLog.h"

#include "common/Error.h"
#include "common/Root.h"
#include "toolkit/MessageText.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <cstdio>

namespace pelmora
{

namespace
{
QString& logRoot()
{
    static QString root;
    return root;
}
} // namespace

LogFolder::LogFolder(const Root& root) : previous_(logRoot())
{
    logRoot() = root.path();
}

LogFolder::~LogFolder()
{
    logRoot() = previous_;
}

void WriteLog(const QString& line, const QString& fileName)
{
    const QString root = logRoot().isEmpty() ? Root(Root::executableFolder()).path() : logRoot();
    const QString folder = root + QStringLiteral("logs");
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Cannot create ") + folder);
    QFile file(folder + '/' + fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw Error(file.errorString() + QStringLiteral(": ") + file.fileName());
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw Error(file.errorString() + QStringLiteral(": ") + file.fileName());
}

QString LongTimeText(const QTime& time)
{
    // The long time format as a desktop shows it: hours, minutes, seconds, no time zone.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    const QLocale locale;
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(zone);
    return locale.toString(time, format.trimmed());
}

QString LogDateTime(const QDateTime& moment)
{
    QString text = QLocale().toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() != QTime(0, 0))
        text += ' ' + LongTimeText(moment.time());
    return text;
}

void LogLine(const QString& line)
{
    try {
        WriteLog(line, kErrorLogFile);
    } catch (const std::exception& e) {
        // The log itself is unreachable: standard error is the last place left.
        std::fprintf(stderr, "%s\n%s\n", line.toLocal8Bit().constData(), e.what());
    }
}

void LogError(const QString& message, const QString& suffix)
{
    // A message that quotes a damaged value whole must not flood the log at every retry.
    LogLine(LogDateTime(QDateTime::currentDateTime()) + QStringLiteral(": ") +
            toolkit::quotedValue(message, kLogMessageLimit) + suffix);
}

} // namespace pelmora
