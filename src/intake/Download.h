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
        Answered,    // the server answered
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
// NewOrdersDownloaded. Handles (logs) its own failures; the flag is cleared first, so an
// import only follows a response that announced orders.
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
    // The form body: mx, v, id, pw in this order, values form-encoded.
    static QByteArray requestBody(const QString& mx, const QString& username, const QString& password);

  private:
    void onHeader(const QByteArray& name, const QByteArray& value, DownloadResult& result);

    IntakeContext& context_;
};

} // namespace pelmora
