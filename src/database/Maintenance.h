#pragma once

#include "common/GlobalConfig.h"
#include "common/UserPort.h"

#include <QString>

namespace pelmora
{

class DataModule;

inline const QString kBackedUp = QStringLiteral("The database has been backed up...");
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
inline const QString kPrefsSaved = QStringLiteral("Your preferences have been saved.");
inline const QString kPrefsSavedAgain = QStringLiteral("Your preferences have been saved ");
inline const QString kReloaded = QStringLiteral("The default database has been reloaded");

// The whole-file operations on the database: they work while the connection is closed and
// reopen it through ResetDB.
class Maintenance
{
  public:
    Maintenance(DataModule& data, GlobalSettings& settings, UserPort& port)
        : data_(data), settings_(settings), port_(port)
    {
    }

    static QString backupFile(const GlobalSettings& settings);

    // "Backup now": replaces the one backup copy with the database file. Returns success.
    bool backupNow();
    // At start-up with AutoBackup set: the copy is made before the database is first opened.
    // Leaves the connection closed.
    bool startupBackup();
    // The "Auto backup DB" command (or the preferences box) has changed to state.
    void setAutoBackup(bool state);
    // "Restore last backup". Returns whether the backup was put in place.
    bool restoreLastBackup();

    // Result of applying the paths of the preferences dialog.
    enum class LocationResult { Applied, SamePaths, NoDatabase };
    // Checks and takes over the database and backup paths. On NoDatabase, databasePath is
    // set back to the current DatabaseLocation (the dialog shows it again).
    LocationResult applyLocations(QString& databasePath, const QString& backupPath);

    // Copies source over target through a temporary file beside target (partialCopyName), so
    // that the target is replaced only by a complete copy and is never missing meanwhile.
    // Creates the target's folder when missing. Throws Error with the reason.
    static void copyReplacing(const QString& source, const QString& target);
    // The temporary name beside target that a copy is written to before it replaces target.
    static QString partialCopyName(const QString& target);

  private:
    DataModule& data_;
    GlobalSettings& settings_;
    UserPort& port_;
};

} // namespace pelmora
