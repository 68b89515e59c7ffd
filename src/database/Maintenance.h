#pragma once

#include "common/GlobalConfig.h"
#include "common/UserPort.h"

#include <QString>

namespace pelmora
{

class DataModule;

inline const QString kBackedUp = QStringLiteral("The database has been backed up...");
inline const QString kBackupKept = QStringLiteral("The database could not be opened, so the last backup was kept.");
inline const QString kCannotOpen = QStringLiteral("The database could not be opened.");
inline const QString kBackupFailed = QStringLiteral("The database could not be backed up; see the error log");
inline const QString kRestored = QStringLiteral("Your database has been Restored...");
inline const QString kRestoreFailed = QStringLiteral("The backup could not be restored; your database is unchanged");
inline const QString kRestoreConfirm =
    QStringLiteral("This action is may overwrite orders downloaded during in this session.");
inline const QString kNoBackupYet = QStringLiteral("You have not made a backup of your Database yet!");
inline const QString kAutoBackupEnabled = QStringLiteral("Auto backup enabled");
inline const QString kAutoBackupDisabled = QStringLiteral("Auto backup disabled");
inline const QString kSameLocations = QStringLiteral("The backup database must be different than the current database");
inline const QString kNoDatabaseThere = QStringLiteral("There is no database at the specified location.");
inline const QString kNotOurDatabase =
    QStringLiteral("The file at the specified location is not a Pelmora database. The current database is kept.");
inline const QString kPrefsSaved = QStringLiteral("Your preferences have been saved.");
inline const QString kPrefsSavedAgain = QStringLiteral("Your preferences have been saved ");
inline const QString kReloaded = QStringLiteral("The default database has been reloaded");

// What a whole-file operation did: ok, or the reason it failed (also in the error log).
struct MaintenanceResult {
    bool ok = false;
    QString error;
    explicit operator bool() const { return ok; }
};

// The whole-file operations on the database: they work while the connection is closed and
// reopen it through ResetDB.
//
// A backup is never worse than the one it replaces: the source must open as this program's
// database, the copy is a consistent snapshot (taken under a read transaction, so no other
// connection commits meanwhile) and must open too, and only then does it replace the
// previous backup, in one rename.
class Maintenance
{
  public:
    Maintenance(DataModule& data, GlobalSettings& settings, UserPort& port)
        : data_(data), settings_(settings), port_(port)
    {
    }

    static QString backupFile(const GlobalSettings& settings);

    // "Backup now": replaces the one backup copy with a snapshot of the database file.
    MaintenanceResult backupNow();
    // At start-up with AutoBackup set: the copy is made before the database is first opened.
    // Leaves the connection closed. A database that does not open keeps the previous backup;
    // startupReport() then says so.
    MaintenanceResult startupBackup();
    // The "Auto backup DB" command (or the preferences box) has changed to state.
    void setAutoBackup(bool state);
    // "Restore last backup" (askFirst: the confirmation; a script cannot answer it). Only a
    // backup that opens as this program's database replaces the current file.
    MaintenanceResult restoreLastBackup(bool askFirst = true);

    // At the end of start-up: a database that cannot be opened or written is shown once in
    // a warning box (the file, the reason, what to do); the file is left as it is. Returns
    // whether there was something to say.
    bool startupReport();

    // How long a backup waits for another connection's write to finish (ms).
    void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }

    // Why the file cannot serve as this program's database, or empty when it can: missing,
    // empty, not an SQLite file, cut short of the size its header gives, or without the
    // Orders and Items tables. Reads the header and the schema, not every page.
    static QString damage(const QString& path);

    // Result of applying the paths of the preferences dialog.
    enum class LocationResult { Applied, SamePaths, NoDatabase, NotOurDatabase };
    // Checks and takes over the database and backup paths. On NoDatabase and NotOurDatabase (a
    // new path whose file is not this program's database), databasePath is set back to the
    // current DatabaseLocation (the dialog shows it again) and nothing changes.
    LocationResult applyLocations(QString& databasePath, const QString& backupPath);

    // Copies source over target through a temporary file beside target (partialCopyName), so
    // that the target is replaced only by a complete copy and is never missing meanwhile.
    // Creates the target's folder when missing. Throws Error with the reason.
    static void copyReplacing(const QString& source, const QString& target);
    // The temporary name beside target that a copy is written to before it replaces target.
    static QString partialCopyName(const QString& target);

  private:
    // A consistent copy of source at target (through partialCopyName), checked before it
    // replaces target. Throws Error.
    void snapshot(const QString& source, const QString& target);
    QString readOnlyReason() const;
    // What the merchant can do about a database that does not open.
    QString remedy() const;

    DataModule& data_;
    GlobalSettings& settings_;
    UserPort& port_;
    int busyTimeoutMs_ = 5000;
    bool startupBackupKept_ = false;
};

} // namespace pelmora
