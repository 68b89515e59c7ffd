#pragma once

#include <QDate>
#include <QString>
#include <functional>

namespace pelmora
{

class DataModule;
class UserPort;

// Which finished orders an archiving run moves.
enum class ArchiveMode {
    ByDate,   // every order, and every item, dated up to and including a day
    Completed // every order whose status is exactly "Completed", with all its items
};

struct ArchiveResult {
    enum class Outcome { Cancelled, NoDate, Archived, Failed };
    Outcome outcome = Outcome::Cancelled;
    qlonglong orders = 0; // rows moved from Orders to OrdersArchve
    qlonglong items = 0;  // rows moved from Items to ItemsArchive
    QString error;        // what failed (Failed only)

    bool archived() const { return outcome == Outcome::Archived; }
};

// Moves finished orders and their items from the live tables into the archive tables of the
// same file. A run is one transaction: the copies and the deletes commit together, or a failure
// leaves the live tables and the archive exactly as they were. The deletes work on the whole
// set at once (items, then orders) rather than row by row.
class OrderArchiving
{
  public:
    static inline const QString kReloadFirst = QStringLiteral("Reload the default database before archiving  records.");
    static inline const QString kConfirm = QStringLiteral("Move orders to Archive? This opertaton cannot be undone. ");
    static inline const QString kSelectDate = QStringLiteral("Please Select a date....");
    static inline const QString kArchiving = QStringLiteral("Your Database is archiving...");
    static inline const QString kArchived = QStringLiteral("Archiving completed.");
    static inline const QString kFailed = QStringLiteral("Archiving failed; nothing was moved: ");

    OrderArchiving(DataModule& data, UserPort& port);

    // "Archive orders" is allowed only while the connection's file is the DatabaseLocation
    // setting (compared exactly); otherwise it says so and returns false.
    bool locationAllows(const QString& databaseLocation);

    // OK in the archiving dialog: asks for confirmation, checks the date box, shows the busy
    // cursor and the status texts, moves the rows, logs and shows a failure, and always ends
    // with ResetDB.
    ArchiveResult run(ArchiveMode mode, const QString& dateBoxText);

    // The same move without questions (pelmora-cli): status texts, log line and ResetDB as
    // above. upTo is used in the ByDate mode only.
    ArchiveResult runUnattended(ArchiveMode mode, const QDate& upTo);

    // The date box's text as the statements write it: read with the short date format (four or
    // two-digit years; a two-digit year below 50 is in this century), or as month/day/year, and
    // written m/d/yyyy. Throws Error when the text is no date.
    static QString statementDate(const QString& dateBoxText);

  private:
    ArchiveResult moveGuarded(ArchiveMode mode, const std::function<QString()>& dateText);
    ArchiveResult move(ArchiveMode mode, const QString& dateText);
    qlonglong append(const QString& archiveTable, const QString& liveTable, const QString& statement);
    qlonglong execute(const QString& statement);

    DataModule& data_;
    UserPort& port_;
};

} // namespace pelmora
