#include "database/Maintenance.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "database/DataModule.h"
#include "toolkit/MessageText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>
#include <unistd.h>

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

namespace
{

QString errorText(const std::error_code& error)
{
    return toolkit::fileErrorText(error.value(), QString::fromStdString(error.message()));
}

// Closes a descriptor with the object.
class Descriptor
{
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when the last writes fail there.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Copies source to target (created or truncated) in the kernel (copy_file_range, as cp
// does), or through a buffer where the file systems do not allow that. Returns 0, or the
// errno of the failure: a full disk shows as ENOSPC, not as a short copy.
int copyBytes(const QString& source, const QString& target)
{
    Descriptor in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return errno;
    Descriptor out(::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0)
        return errno;
    bool kernel = true;
    for (;;) {
        ssize_t n = -1;
        if (kernel) {
            n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                kernel = false;
                continue;
            }
        } else {
            char buffer[1 << 16];
            n = ::read(in.get(), buffer, sizeof buffer);
            for (ssize_t done = 0; n > 0 && done < n;) {
                const ssize_t w = ::write(out.get(), buffer + done, static_cast<size_t>(n - done));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                done += w;
            }
        }
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
    }
    if (!out.close())
        return errno;
    return 0;
}

// copyBytes that throws Error naming both files, and leaves no partial target.
void copyFile(const QString& source, const QString& target)
{
    if (const int error = copyBytes(source, target)) {
        QFile::remove(target);
        throw Error(
            QStringLiteral("Cannot copy \"%1\" to \"%2\": %3")
                .arg(source, target, toolkit::fileErrorText(error, QString::fromLocal8Bit(std::strerror(error)))));
    }
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

quint32 bigEndian32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

// A read-only connection of our own to a database file, closed with the object.
class Connection
{
  public:
    explicit Connection(const QString& path, int flags = SQLITE_OPEN_READONLY)
    {
        const QByteArray name = path.toUtf8();
        if (sqlite3_open_v2(name.constData(), &db_, flags, nullptr) != SQLITE_OK)
            throw Error(message());
    }
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }
    QString message() const { return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory"); }
    void exec(const char* sql)
    {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw Error(message());
    }
    // The number of this program's tables the schema holds (reading it checks the schema).
    int programTables()
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_,
                               "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('Orders','Items')",
                               -1, &raw, nullptr) != SQLITE_OK)
            throw Error(message());
        const int rc = sqlite3_step(raw);
        const int n = rc == SQLITE_ROW ? sqlite3_column_int(raw, 0) : -1;
        sqlite3_finalize(raw);
        if (n < 0)
            throw Error(message());
        return n;
    }

  private:
    sqlite3* db_ = nullptr;
};

// What is wrong with the header and the size of an SQLite file, or empty.
QString headerDamage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read: ") + file.errorString();
    const qint64 size = file.size();
    if (size == 0)
        return QStringLiteral("is empty");
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return QStringLiteral("is not a database file");
    quint32 pageSize = (quint32(uchar(header[16])) << 8) | quint32(uchar(header[17]));
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return QStringLiteral("has a damaged header");
    // The page count in the header is valid when its change counter matches.
    const quint32 pages = bigEndian32(header.constData() + 28);
    const bool countValid = bigEndian32(header.constData() + 24) == bigEndian32(header.constData() + 92);
    if (countValid && pages > 0 && size < qint64(pages) * pageSize)
        return QStringLiteral("is cut short: %1 bytes of %2").arg(size).arg(qint64(pages) * pageSize);
    if (size % pageSize != 0)
        return QStringLiteral("is cut short within a page");
    return {};
}

// What is wrong with a file already held under a read transaction by connection, or empty.
QString schemaDamage(Connection& connection)
{
    try {
        if (connection.programTables() != 2)
            return QStringLiteral("is not a Pelmora database (no Orders and Items tables)");
    } catch (const Error& e) {
        return QStringLiteral("cannot be read: ") + e.message();
    }
    return {};
}

} // namespace

QString Maintenance::damage(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("does not exist");
    if (QString header = headerDamage(path); !header.isEmpty())
        return header;
    try {
        Connection connection(path);
        return schemaDamage(connection);
    } catch (const Error& e) {
        return QStringLiteral("cannot be opened: ") + e.message();
    }
}

namespace
{
// Copies source beside target, under partialCopyName (the folder made when missing); returns
// that name.
QString copyBeside(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw Error(QStringLiteral("Cannot copy \"%1\": the file does not exist").arg(source));
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Cannot create %1").arg(folder));
    const QString temp = Maintenance::partialCopyName(target);
    QFile::remove(temp);
    copyFile(source, temp);
    return temp;
}

// A complete copy replaces the target in one step: the target is never missing.
void replaceWith(const QString& temp, const QString& target)
{
    std::error_code error;
    std::filesystem::rename(fsPath(temp), fsPath(target), error);
    if (error) {
        QFile::remove(temp);
        throw Error(QStringLiteral("Cannot replace \"%1\": %2").arg(target, errorText(error)));
    }
}
} // namespace

void Maintenance::copyReplacing(const QString& source, const QString& target)
{
    replaceWith(copyBeside(source, target), target);
}

void Maintenance::snapshot(const QString& source, const QString& target)
{
    if (!QFileInfo(source).isFile())
        throw Error(QStringLiteral("Cannot copy \"%1\": the file does not exist").arg(source));
    if (QString header = headerDamage(source); !header.isEmpty())
        throw Error(QStringLiteral("The database \"%1\" %2").arg(source, header));
    // Read-write, so that a journal left by a crashed writer is rolled back first, as any
    // connection would; nothing else is written.
    Connection connection(source, SQLITE_OPEN_READWRITE);
    sqlite3_busy_timeout(connection.handle(), busyTimeoutMs_);
    // The read transaction holds the shared lock: no other connection commits into the file
    // while it is copied.
    try {
        connection.exec("BEGIN");
        if (QString schema = schemaDamage(connection); !schema.isEmpty())
            throw Error(QStringLiteral("The database \"%1\" %2").arg(source, schema));
    } catch (const Error& e) {
        if (sqlite3_errcode(connection.handle()) == SQLITE_BUSY)
            throw Error(QStringLiteral("The database \"%1\" is busy: another program is writing to it. Try again "
                                       "when it has finished")
                            .arg(source));
        throw;
    }
    if (QString header = headerDamage(source); !header.isEmpty())
        throw Error(QStringLiteral("The database \"%1\" %2").arg(source, header));
    const QString temp = copyBeside(source, target);
    connection.exec("COMMIT");
    // The copy must open as well before it replaces the previous backup.
    if (QString copy = damage(temp); !copy.isEmpty()) {
        QFile::remove(temp);
        throw Error(QStringLiteral("The copy \"%1\" %2").arg(temp, copy));
    }
    replaceWith(temp, target);
}

QString Maintenance::remedy() const
{
    if (QFileInfo(backupFile(settings_)).isFile())
        return QStringLiteral("To go back to the last backup, choose \"Restore last backup\" in the File menu; the "
                              "damaged file is left as it is until then.");
    return QStringLiteral("There is no backup to restore: put a good copy of the database in its place, or choose "
                          "another database in the preferences' locations.");
}

QString Maintenance::readOnlyReason() const
{
    const QFileInfo file(settings_.DatabaseLocation);
    if (!file.isWritable())
        return QStringLiteral("the file cannot be written");
    // The journal that makes every change all-or-nothing is written beside the file.
    if (!QFileInfo(file.absolutePath()).isWritable())
        return QStringLiteral("its folder \"%1\" cannot be written").arg(file.absolutePath());
    return {};
}

bool Maintenance::startupReport()
{
    const QString path = settings_.DatabaseLocation;
    if (QString reason = damage(path); !reason.isEmpty()) {
        port_.warning((startupBackupKept_ ? kBackupKept : kCannotOpen) +
                      QStringLiteral(" The file \"%1\" %2. ").arg(path, reason) + remedy());
        return true;
    }
    if (QString reason = readOnlyReason(); !reason.isEmpty()) {
        port_.warning(QStringLiteral("The database \"%1\" is read-only: %2. Changes cannot be saved and new orders "
                                     "cannot be downloaded. Check the permissions of the file and of its folder, "
                                     "then start Pelmora again.")
                          .arg(path, reason));
        return true;
    }
    if (!data_.isConnected()) {
        port_.warning(kCannotOpen + QStringLiteral(" The error log gives the reason for \"%1\". ").arg(path) +
                      remedy());
        return true;
    }
    return false;
}

MaintenanceResult Maintenance::backupNow()
{
    data_.disconnectDatabase();
    MaintenanceResult result;
    try {
        snapshot(settings_.DatabaseLocation, backupFile(settings_));
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = messageOf(e);
        LogError(result.error, QStringLiteral(" method: Backup"));
    }
    data_.ResetDB();
    port_.setStatus(result.ok ? kBackedUp : kBackupFailed);
    if (!result.ok && !damage(settings_.DatabaseLocation).isEmpty())
        port_.warning((QFileInfo(backupFile(settings_)).isFile() ? kBackupKept : kCannotOpen) + QStringLiteral(" ") +
                      result.error + QStringLiteral(". ") + remedy());
    return result;
}

MaintenanceResult Maintenance::startupBackup()
{
    MaintenanceResult result;
    result.ok = true;
    startupBackupKept_ = false;
    if (!settings_.AutoBackup)
        return result;
    data_.disconnectDatabase();
    try {
        snapshot(settings_.DatabaseLocation, backupFile(settings_));
    } catch (const std::exception& e) {
        result.ok = false;
        result.error = messageOf(e);
        LogError(result.error, QStringLiteral(" method: Backup"));
        startupBackupKept_ = QFileInfo(backupFile(settings_)).isFile();
    }
    return result;
}

void Maintenance::setAutoBackup(bool state)
{
    settings_.AutoBackup = state;
    port_.setStatus(state ? kAutoBackupEnabled : kAutoBackupDisabled);
}

MaintenanceResult Maintenance::restoreLastBackup(bool askFirst)
{
    MaintenanceResult result;
    if (askFirst && !port_.confirm(kRestoreConfirm)) {
        result.error = QStringLiteral("Cancelled");
        return result;
    }
    data_.disconnectDatabase();
    const QString backup = backupFile(settings_);
    if (!QFileInfo(backup).isFile()) {
        port_.confirm(kNoBackupYet);
        data_.ResetDB();
        result.error = kNoBackupYet;
        return result;
    }
    try {
        // A damaged backup never replaces the database.
        if (QString reason = damage(backup); !reason.isEmpty())
            throw Error(QStringLiteral("The backup \"%1\" %2").arg(backup, reason));
        // The current file is replaced only once the backup's copy is complete beside it.
        copyReplacing(backup, settings_.DatabaseLocation);
        // A journal left by the replaced file must not be played back into the restored one.
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(settings_.DatabaseLocation + QLatin1String(suffix));
        result.ok = true;
    } catch (const std::exception& e) {
        result.error = messageOf(e);
        LogError(result.error, QStringLiteral(" method: Restore"));
    }
    data_.ResetDB();
    port_.setStatus(result.ok ? kRestored : kRestoreFailed);
    return result;
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
    if (databasePath != settings_.DatabaseLocation) {
        if (!damage(databasePath).isEmpty()) {
            port_.warning(kNotOurDatabase);
            databasePath = settings_.DatabaseLocation;
            return LocationResult::NotOurDatabase;
        }
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
