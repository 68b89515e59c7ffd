#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pelmora
{

class Root;

// The settings held by the main window and kept in the twelve-line file cnfg/config_global.ini.
struct GlobalSettings {
    bool AutoBackup = false;                        // line 1: the "Auto backup DB" command's state
    QString DatabaseLocation;                       // line 2
    QString BackupFolder;                           // lines 3 and 4
    bool ReservedFlag5 = false;                     // line 5
    bool AutoDownload = false;                      // line 6
    bool ReservedFlag7 = false;                     // line 7
    bool DownloadAllAccounts = false;               // line 8
    QString ReservedMinutes = QStringLiteral("20"); // line 9
    QString DownloadMinutes = QStringLiteral("20"); // line 10
    QString ReservedText11;                         // line 11
    QString ReservedText12;                         // line 12

    static QString defaultDatabaseLocation(const Root& root);
    static QString defaultBackupFolder(const Root& root);
    // The automatic download's interval: DownloadMinutes x 60,000 ms, at least one minute and
    // at most what a timer holds. Throws Error when the minutes are not a whole number.
    int downloadIntervalMs() const;
};

// Reads and writes cnfg/config_global.ini of a program folder.
class GlobalConfig
{
  public:
    static QString path(const Root& root);

    // Reads the file line by line, each line under its own guard: a bad or missing line puts
    // only its setting to the default. A missing file reads as a file without lines and is
    // logged once. Returns the settings read.
    static GlobalSettings load(const Root& root);
    // Parses the lines of the file (the part of load() that tests can reach directly).
    // Defaults name files of root.
    static GlobalSettings parse(const QStringList& lines, const Root& root);
    // The file's content as load() reads it: lines ended by LF, CR or LF taken off the end.
    static QStringList lines(const QByteArray& content);

    // Writes the twelve lines, CR LF each, replacing the file. Throws Error on failure.
    static void save(const GlobalSettings& settings, const Root& root);
    static QByteArray serialize(const GlobalSettings& settings);

    // "0" is false, any other whole number true; "True" and "False" are accepted. Throws otherwise.
    static bool readFlag(const QString& text);
    static QString writeFlag(bool flag) { return flag ? QStringLiteral("-1") : QStringLiteral("0"); }
};

} // namespace pelmora
