#pragma once

#include "database/Maintenance.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace pelmora
{

class Session;

// The tags of the preferences close's log lines: date-time, tag, message. The first table's
// tag has no trailing blank.
inline const QString kPrefsCloseFirstTag = QStringLiteral(": prefs close");
inline const QString kPrefsCloseTag = QStringLiteral(": prefs close ");

// What the preferences dialog holds when it closes.
struct PrefsValues {
    QString databasePath; // the "Active database " box; set back when no file is there
    QString backupPath;   // the "Database backup dir." box
    bool downloadAllAccounts = false;
    bool autoDownload = false;
    QString downloadMinutes; // the minutes box's text, as typed
};

// The steps that run whenever the preferences dialog closes, in their order: post what the
// seven tables still hold (an empty table gets one empty row), apply the locations, take over
// the download settings, set the timer's interval, save config_global.ini.
class PrefsClose
{
  public:
    // Commits what the dialog still holds for a table (an open editor) into the table. Throws
    // Error when the table refuses it.
    using PostPending = std::function<void(const QString& table)>;
    // Sets the automatic download timer's interval from DownloadMinutes. Throws Error when the
    // minutes are not a whole number.
    using SetInterval = std::function<void(const GlobalSettings& settings)>;

    // The tables posted at close, in order: Email, Triggers, Method, Status, Templates, Users,
    // Proxy.
    static const QStringList& tables();

    PrefsClose(Session& session, PostPending postPending, SetInterval setInterval);

    // Runs every step. A minutes text that is not a whole number throws Error from the interval
    // step: the settings file is then not rewritten (the caller hands the error on to
    // ApplicationError). Location problems show their warnings and the later steps still run.
    void run(PrefsValues& values);

    // The first step alone; returns the tables that got an empty row.
    QStringList postTables();
    // The steps after it: locations, download settings, interval, saving. Throws as run().
    void applyAndSave(PrefsValues& values);

    Maintenance::LocationResult lastLocationResult() const { return locationResult_; }

  private:
    Session& session_;
    PostPending postPending_;
    SetInterval setInterval_;
    Maintenance::LocationResult locationResult_ = Maintenance::LocationResult::Applied;
};

} // namespace pelmora
