#include "database/Maintenance.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "database/DataModule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace pelmora
{

QString Maintenance::backupFile(const GlobalSettings& settings)
{
    QString folder = settings.BackupFolder;
    if (folder.endsWith('/') || folder.endsWith('\\'))
        folder.chop(1);
    return folder + QStringLiteral("/Pelmora.tdbd");
}

QString Maintenance::partialCopyName(const QString& target)
{
    return target + QStringLiteral(".part");
}

void Maintenance::copyReplacing(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw Error(QStringLiteral("Cannot copy \"%1\": the file does not exist").arg(source));
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Cannot create %1").arg(folder));
    const QString temp = partialCopyName(target);
    QFile::remove(temp);
    // The kernel copies the bytes (copy_file_range/sendfile): as fast as the shell's cp.
    std::error_code error;
    std::filesystem::copy_file(std::filesystem::path(source.toStdU16String()),
                               std::filesystem::path(temp.toStdU16String()),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        QFile::remove(temp);
        throw Error(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3")
                        .arg(source, temp, QString::fromStdString(error.message())));
    }
    // Only a complete copy replaces the target, in one step: the target is never missing.
    std::filesystem::rename(std::filesystem::path(temp.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        QFile::remove(temp);
        throw Error(QStringLiteral("Cannot replace \"%1\": %2").arg(target, QString::fromStdString(error.message())));
    }
}

bool Maintenance::backupNow()
{
    data_.disconnectDatabase();
    bool ok = true;
    try {
        copyReplacing(settings_.DatabaseLocation, backupFile(settings_));
    } catch (const std::exception& e) {
        ok = false;
        LogError(QString::fromStdString(e.what()), QStringLiteral(" method: Backup"));
    }
    data_.ResetDB();
    port_.setStatus(ok ? kBackedUp : kBackupFailed);
    return ok;
}

bool Maintenance::startupBackup()
{
    if (!settings_.AutoBackup)
        return true;
    data_.disconnectDatabase();
    try {
        copyReplacing(settings_.DatabaseLocation, backupFile(settings_));
        return true;
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()), QStringLiteral(" method: Backup"));
        return false;
    }
}

void Maintenance::setAutoBackup(bool state)
{
    settings_.AutoBackup = state;
    port_.setStatus(state ? kAutoBackupEnabled : kAutoBackupDisabled);
}

bool Maintenance::restoreLastBackup()
{
    if (!port_.confirm(kRestoreConfirm))
        return false;
    data_.disconnectDatabase();
    const QString backup = backupFile(settings_);
    if (!QFileInfo(backup).isFile()) {
        port_.confirm(kNoBackupYet);
        data_.ResetDB();
        return false;
    }
    bool ok = true;
    try {
        // The current file is replaced only once the backup's copy is complete beside it.
        copyReplacing(backup, settings_.DatabaseLocation);
        // A journal left by the replaced file must not be played back into the restored one.
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(settings_.DatabaseLocation + QLatin1String(suffix));
    } catch (const std::exception& e) {
        ok = false;
        LogError(QString::fromStdString(e.what()), QStringLiteral(" method: Restore"));
    }
    data_.ResetDB();
    port_.setStatus(ok ? kRestored : kRestoreFailed);
    return ok;
}

Maintenance::LocationResult Maintenance::applyLocations(QString& databasePath, const QString& backupPath)
{
    if (backupPath == databasePath) {
        port_.warning(kSameLocations);
        return LocationResult::SamePaths;
    }
    if (!QFileInfo(databasePath).isFile()) {
        port_.warning(kNoDatabaseThere);
        databasePath = settings_.DatabaseLocation;
        return LocationResult::NoDatabase;
    }
    settings_.DatabaseLocation = databasePath;
    data_.disconnectDatabase();
    data_.setLocation(settings_.DatabaseLocation);
    data_.ResetDB();
    port_.setStatus(kPrefsSaved);
    settings_.BackupFolder = backupPath;
    port_.setStatus(kPrefsSavedAgain);
    return LocationResult::Applied;
}

} // namespace pelmora
