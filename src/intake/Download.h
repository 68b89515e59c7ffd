#pragma once

#include "intake/IntakeContext.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace pelmora
{

// What one Download did, for callers that report more than the status bar (pelmora-cli).
struct DownloadResult {
    enum class Outcome {
        Placeholder, // the account "Username": the preferences were opened, no request made
        Failed,      // the lookup or the request failed (logged); error holds the message
        Answered,    // the server answered with a complete 2xx response
    };
    Outcome outcome = Outcome::Failed;
    std::optional<int> mstatus; // the last Mstatus value read, when there was one
    QString statusText;         // what the status bar was given for it
    QString error;

    bool announcedOrders() const { return outcome == Outcome::Answered && mstatus && *mstatus <= 10000; }
    // Orders announced, "OK" or "No new orders".
    bool succeeded() const
    {
        return outcome == Outcome::Answered && mstatus && (*mstatus <= 10000 || *mstatus == 10001 || *mstatus == 10007);
    }
};

// Downloads the new orders of one cart account: posts the account name, its payment
// password and the highest order number held for it to the account's cart server, writes
// the body to db/Download.txt and reads the Mstatus header into the status bar and
// NewOrdersDownloaded. The outcome is decided only once the whole body has arrived: a
// response that fails on the way (an error status, a redirect, a cut connection, a full
// disk, the deadline) leaves no download file, no flag and a status text that says so.
// Handles (logs) its own failures; the flag is cleared first, so an import only follows a
// complete response that announced orders.
class Download
{
  public:
    static inline const QString kPath = QStringLiteral("/pelmora/pelmora.php");
    static inline const QString kDownloadFile = QStringLiteral("db/Download.txt");
    static inline const QString kUserAccountsTab = QStringLiteral("User accounts");
    static inline const QString kNewOrders = QStringLiteral(" New orders have been downloaded");
    static inline const QString kSelectCartServer =
        QStringLiteral("Select the cart server for this account in the Corvane accounts section.");
    static inline const QString kMaxQuerySuffix = QStringLiteral(" method:Download failed activating max query");
    static inline const QString kDownloadSuffix = QStringLiteral(" method: Download");
    static inline const QString kFailed = QStringLiteral("The download failed; see the error log");
    static inline const QString kTimedOut = QStringLiteral("The cart server did not answer in time");
    static inline const QString kDiskFull = QStringLiteral("The disk is full; the download was not saved");
    static inline const QString kNoStatus =
        QStringLiteral("The cart server's answer held no order status; see the error log");
    static inline const QString kRedirected = QStringLiteral("The cart server redirected the download to %1");

    explicit Download(IntakeContext& context) : context_(context) {}

    // Downloads for username. The account row is looked up by lookupName, the account
    // selector's text (the all-accounts download sends the trimmed name but finds the row
    // by the selector's text); without it, by username.
    DownloadResult run(const QString& username);
    DownloadResult run(const QString& username, const QString& lookupName);

    // The status bar text for an Mstatus code above 10000.
    static QString statusText(int code);
    // The highest order number held for the account over Orders and OrdersArchve, as text.
    QString highestHeldOrder(const QString& username);
    // The form body: mx, v, id, pw in this order, values form-encoded from their
    // Windows-1252 bytes. Throws Error for a character that Windows-1252 lacks.
    static QByteArray requestBody(const QString& mx, const QString& username, const QString& password);

  private:
    // The header rule, applied once the response is complete.
    void applyStatus(const QByteArray& value, DownloadResult& result);
    void fail(const QString& message, const QString& status, DownloadResult& result);

    IntakeContext& context_;
};

} // namespace pelmora
