#include "workspace/OrderArchiving.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/SqlDialect.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace pelmora
{

namespace
{

const QString kStatementDateFormat = QStringLiteral("M/d/yyyy");

// The statements of a run. Dates are written Date'm/d/yyyy' and reach SQLite through the same
// literal translation as the grid's filters.
struct Statements {
    QString ordersToCopy;
    QString itemsToCopy;
    QString deleteOrders;
    QString deleteItems;
    bool itemsFirst = false; // the deletes' order
};

Statements statementsFor(ArchiveMode mode, const QString& date)
{
    if (mode == ArchiveMode::ByDate) {
        // Items go by their own date, so items of a newer order dated that day or earlier go too.
        return {QStringLiteral("SELECT * FROM Orders WHERE (Invoice_date <= Date'") + date + QStringLiteral("')"),
                QStringLiteral("SELECT * FROM Items WHERE (Invoice_date <= Date '") + date + QStringLiteral("' )"),
                QStringLiteral("DELETE  FROM ORDERS WHERE (Invoice_date <= Date '") + date + QStringLiteral("')"),
                QStringLiteral("DELETE  FROM ITEMS WHERE (Invoice_date <= Date '") + date + QStringLiteral("' )"),
                false};
    }
    // Every item of a completed order, each once (a join would copy an item once per order when
    // two completed orders share its number), with the item's own columns.
    const QString completedNumbers = QStringLiteral("(Select ShopperID FROM Orders Where Status = 'Completed')");
    return {QStringLiteral("Select * FROM Orders WHERE (Status = 'Completed')"),
            QStringLiteral("Select * from Items Where ShopperID in ") + completedNumbers,
            QStringLiteral("DELETE FROM Orders Where Status = 'Completed'"),
            QStringLiteral("DELETE FROM Items WHERE ShopperID in ") + completedNumbers, true};
}

// The log line of a failed run: the short date, ": " and the message.
void logFailure(const QString& message)
{
    LogLine(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) + QStringLiteral(": ") + message);
}

} // namespace

OrderArchiving::OrderArchiving(DataModule& data, UserPort& port) : data_(data), port_(port)
{
}

bool OrderArchiving::locationAllows(const QString& databaseLocation)
{
    if (data_.location() == databaseLocation)
        return true;
    port_.information(kReloadFirst);
    return false;
}

QString OrderArchiving::statementDate(const QString& dateBoxText)
{
    const QString text = dateBoxText.trimmed();
    const QLocale locale;
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    QDate date;
    if (!shortFormat.contains(QLatin1String("yyyy"))) {
        // A two-digit year: 00 to 49 in this century, 50 to 99 in the last one.
        date = locale.toDate(text, shortFormat);
        if (date.isValid() && date.year() < 1950)
            date = date.addYears(100);
    }
    if (!date.isValid()) {
        QString wide = shortFormat;
        if (!wide.contains(QLatin1String("yyyy")))
            wide.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        date = locale.toDate(text, wide);
    }
    // Typed in the statements' own form where the desktop writes dates otherwise.
    if (!date.isValid())
        date = QDate::fromString(text, kStatementDateFormat);
    if (!date.isValid())
        throw Error(QStringLiteral("'%1' is not a valid date").arg(dateBoxText));
    return date.toString(kStatementDateFormat);
}

ArchiveResult OrderArchiving::run(ArchiveMode mode, const QString& dateBoxText)
{
    ArchiveResult result;
    if (!port_.confirmWarning(kConfirm)) {
        data_.ResetDB();
        return result;
    }
    if (mode == ArchiveMode::ByDate && dateBoxText.trimmed().isEmpty()) {
        port_.information(kSelectDate);
        data_.ResetDB();
        result.outcome = ArchiveResult::Outcome::NoDate;
        return result;
    }
    return moveGuarded(mode, [&] { return statementDate(dateBoxText); });
}

ArchiveResult OrderArchiving::runUnattended(ArchiveMode mode, const QDate& upTo)
{
    return moveGuarded(mode, [&] {
        if (!upTo.isValid())
            throw Error(QStringLiteral("No date to archive up to"));
        return upTo.toString(kStatementDateFormat);
    });
}

ArchiveResult OrderArchiving::moveGuarded(ArchiveMode mode, const std::function<QString()>& dateText)
{
    BusyCursor busy(port_);
    port_.setStatus(kArchiving);
    ArchiveResult result;
    const bool done = GuardWith(
        [&](const QString& message) {
            result = ArchiveResult{ArchiveResult::Outcome::Failed, 0, 0, message};
            logFailure(message);
        },
        [&] { result = move(mode, mode == ArchiveMode::ByDate ? dateText() : QString()); });
    port_.setStatus(done ? kArchived : kFailed + result.error);
    data_.ResetDB();
    return result;
}

ArchiveResult OrderArchiving::move(ArchiveMode mode, const QString& dateText)
{
    if (!data_.isConnected())
        throw Error(QStringLiteral("Database is not connected"));
    const Statements s = statementsFor(mode, dateText);
    ArchiveResult result;
    toolkit::SqlTransaction transaction(data_.database());
    result.orders = append(QStringLiteral("OrdersArchve"), QStringLiteral("Orders"), s.ordersToCopy);
    result.items = append(QStringLiteral("ItemsArchive"), QStringLiteral("Items"), s.itemsToCopy);
    if (s.itemsFirst) {
        execute(s.deleteItems);
        execute(s.deleteOrders);
    } else {
        execute(s.deleteOrders);
        execute(s.deleteItems);
    }
    transaction.commit();
    result.outcome = ArchiveResult::Outcome::Archived;
    return result;
}

qlonglong OrderArchiving::append(const QString& archiveTable, const QString& liveTable, const QString& statement)
{
    // Column for column by name: every archive column the live table has too.
    QSqlDatabase db = data_.database();
    const auto live = SqlDialect::tableColumns(db, liveTable);
    QStringList columns;
    for (const auto& [name, declaration] : SqlDialect::tableColumns(db, archiveTable)) {
        Q_UNUSED(declaration);
        for (const auto& l : live) {
            if (l.first.compare(name, Qt::CaseInsensitive) == 0) {
                columns << toolkit::sql::quoted(name);
                break;
            }
        }
    }
    const QString list = columns.join(QLatin1Char(','));
    return execute(QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM (%3)")
                       .arg(toolkit::sql::quoted(archiveTable), list, statement));
}

qlonglong OrderArchiving::execute(const QString& statement)
{
    QSqlQuery query(data_.database());
    if (!query.exec(SqlDialect::translate(statement)))
        throw Error(query.lastError().text());
    return query.numRowsAffected();
}

} // namespace pelmora
