#include "support/TestFolder.h"

#include "common/GlobalConfig.h"
#include "database/Schema.h"
#include "support/DatabaseProbe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <stdexcept>

namespace pelmora::test
{

TestFolder::TestFolder(bool withDatabase)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    log_ = std::make_unique<LogFolder>(root());
    for (const char* sub : {"db/backup", "cnfg", "logs", "tmp", "email", "Data template"})
        QDir().mkpath(file(QString::fromLatin1(sub)));
    // The shipped files a program folder starts with (never the database or the settings).
    QDirIterator it(QStringLiteral(PELMORA_RESOURCES), QDir::Files, QDirIterator::Subdirectories);
    const QDir resources(QStringLiteral(PELMORA_RESOURCES));
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = resources.relativeFilePath(source);
        if (relative == QLatin1String("cnfg/config_global.ini"))
            continue;
        QDir().mkpath(QFileInfo(file(relative)).absolutePath());
        QFile::copy(source, file(relative));
    }
    if (withDatabase)
        makeDatabase(databasePath());
}

QString TestFolder::path() const
{
    return dir_.path() + '/';
}

void TestFolder::saveSettings() const
{
    GlobalSettings settings;
    settings.DatabaseLocation = databasePath();
    settings.BackupFolder = file(QStringLiteral("db/backup"));
    GlobalConfig::save(settings, root());
}

void TestFolder::makeDatabase(const QString& path)
{
    QFile::remove(path);
    DatabaseProbe probe(path);
    QSqlDatabase db = probe.database();
    db.transaction();
    Schema::create(db);
    Schema::insertDefaults(db);
    db.commit();
}

void TestFolder::makeDatabaseFromScript(const QString& path, const QString& scriptFile)
{
    QFile script(scriptFile);
    if (!script.open(QIODevice::ReadOnly))
        throw std::runtime_error(QString("cannot read " + scriptFile).toStdString());
    const QString text = QString::fromUtf8(script.readAll());
    QFile::remove(path);
    DatabaseProbe probe(path);
    static const QRegularExpression end(QStringLiteral(";\\s*\\n"));
    for (QString statement : text.split(end)) {
        // Comment lines start with "--".
        QStringList lines;
        for (const QString& line : statement.split('\n'))
            if (!line.trimmed().startsWith(QLatin1String("--")))
                lines << line;
        statement = lines.join('\n').trimmed();
        if (statement.endsWith(';'))
            statement.chop(1);
        if (!statement.isEmpty())
            probe.exec(statement);
    }
}

QStringList TestFolder::logLines() const
{
    QFile log(file(QStringLiteral("logs/Error log.txt")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray TestFolder::readFile(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestFolder::writeFile(const QString& relative, const QByteArray& bytes) const
{
    QDir().mkpath(QFileInfo(file(relative)).absolutePath());
    QFile f(file(relative));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error(QString("cannot write " + relative).toStdString());
}

} // namespace pelmora::test
