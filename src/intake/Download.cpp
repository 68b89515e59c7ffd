#include "intake/Download.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "common/Root.h"
#include "common/RunFlags.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "intake/AnsiText.h"
#include "toolkit/HttpClient.h"

#include <QFile>
#include <QUrl>

namespace pelmora
{

namespace
{
const QByteArray kContentType = QByteArrayLiteral("application/x-www-form-urlencoded");
const QByteArray kStatusHeader = QByteArrayLiteral("Mstatus");

// The maximum of one table, as text; "0" when there is none or the query fails.
QString maximumOf(DataModule& data, const QString& statement)
{
    QString text = QStringLiteral("0");
    Guard(Download::kMaxQuerySuffix, [&] {
        const QVariant value = data.scalar(statement);
        if (!value.isNull() && !value.toString().isEmpty())
            text = value.toString();
    });
    return text;
}

int toInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(toolkit::quotedValue(text)));
    return value;
}
} // namespace

QString Download::statusText(int code)
{
    switch (code) {
    case 10001:
        return QStringLiteral("OK");
    case 10002:
        return QStringLiteral("Invalid payment password");
    case 10004:
        return QStringLiteral("Username not found");
    case 10007:
        return QStringLiteral("No new orders");
    default:
        return QStringLiteral("Failed");
    }
}

QString Download::highestHeldOrder(const QString& username)
{
    const QString quoted = SqlDialect::quote(username);
    const QString live =
        maximumOf(context_.data, QStringLiteral("SELECT max( ShopperID) FROM Orders where Username = ") + quoted);
    const QString archive =
        maximumOf(context_.data, QStringLiteral("SELECT max( ShopperID) FROM OrdersArchve where Username = ") + quoted);
    QString mx = live;
    Guard(kDownloadSuffix, [&] {
        if (toInteger(live) < toInteger(archive))
            mx = archive;
    });
    return mx;
}

QByteArray Download::requestBody(const QString& mx, const QString& username, const QString& password)
{
    using toolkit::HttpClient;
    // The cart service reads Windows-1252, as in its download files and the admin token.
    const QByteArray id = AnsiText::fromUnicodeStrict(username, QStringLiteral("The account name"));
    const QByteArray pw = AnsiText::fromUnicodeStrict(
        password, QStringLiteral("The payment password of the account \"%1\"").arg(toolkit::quotedValue(username)),
        false);
    return QByteArrayLiteral("mx=") + HttpClient::formEncode(mx) + QByteArrayLiteral("&v=4.7") +
           QByteArrayLiteral("&id=") + HttpClient::formEncodeBytes(id) + QByteArrayLiteral("&pw=") +
           HttpClient::formEncodeBytes(pw);
}

void Download::applyStatus(const QByteArray& value, DownloadResult& result)
{
    const QString text = QString::fromLatin1(value);
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) {
        fail(QStringLiteral("The cart server's Mstatus header \"%1\" is not a whole number")
                 .arg(toolkit::quotedValue(text)),
             kFailed, result);
        return;
    }
    if (n <= 10000) {
        result.statusText = text + kNewOrders;
        context_.port.setStatus(result.statusText);
        context_.flags.NewOrdersDownloaded = true;
    } else {
        if (n == 12007)
            context_.port.information(kSelectCartServer);
        result.statusText = statusText(n);
        context_.port.setStatus(result.statusText);
        context_.flags.NewOrdersDownloaded = false;
    }
    result.mstatus = n;
}

void Download::fail(const QString& message, const QString& status, DownloadResult& result)
{
    result.outcome = DownloadResult::Outcome::Failed;
    result.error = message;
    result.statusText = status;
    // A failed or unfinished response is never imported, and leaves no body behind.
    context_.flags.NewOrdersDownloaded = false;
    QFile::remove(context_.root.file(kDownloadFile));
    LogError(message);
    context_.port.setStatus(status);
}

DownloadResult Download::run(const QString& username)
{
    return run(username, username);
}

DownloadResult Download::run(const QString& username, const QString& lookupName)
{
    DownloadResult result;
    // Only a response that announces orders may lead to an import.
    context_.flags.NewOrdersDownloaded = false;
    if (username == Schema::kPlaceholderAccount) {
        result.outcome = DownloadResult::Outcome::Placeholder;
        context_.port.openPreferences(kUserAccountsTab);
        return result;
    }

    BusyCursor busy(context_.port);
    QString password;
    const bool found = GuardWith([&](const QString& message) { fail(message, kFailed, result); },
                                 [&] {
                                     QSqlQuery account =
                                         context_.data.select(QStringLiteral("Select * From Users where Username = ") +
                                                              SqlDialect::quote(lookupName) + ' ');
                                     if (account.next())
                                         password = account.value(QStringLiteral("Secure")).toString();
                                 });
    if (!found)
        return result;

    const QString mx = highestHeldOrder(username);

    toolkit::HttpClient& http = context_.http;
    std::optional<QByteArray> mstatus;
    int headers = 0;
    try {
        const QByteArray body = requestBody(mx, username, password);
        http.reset();
        http.setCaFile(context_.service.caFile());
        http.setTimeoutMs(context_.service.idleTimeoutMs());
        http.setDeadlineMs(context_.service.deadlineMs());
        http.setTargetFile(context_.root.file(kDownloadFile));
        const QUrl url(QStringLiteral("https://") + context_.service.cartHost(username) + kPath);
        // The header is only noted here: what it says counts once the body is complete.
        http.post(url, kContentType, body, [&](const QByteArray& name, const QByteArray& value) {
            ++headers;
            if (name == kStatusHeader)
                mstatus = value;
        });
        result.outcome = DownloadResult::Outcome::Answered;
    } catch (const toolkit::HttpError& e) {
        switch (e.kind()) {
        case toolkit::HttpError::Kind::TimedOut:
            fail(kTimedOut + QStringLiteral(": ") + e.message(), kTimedOut, result);
            break;
        case toolkit::HttpError::Kind::DiskFull:
            fail(e.message(), kDiskFull, result);
            break;
        case toolkit::HttpError::Kind::Redirected:
            fail(e.message(), kRedirected.arg(toolkit::quotedValue(e.target(), 80)), result);
            break;
        case toolkit::HttpError::Kind::Failed:
            fail(e.message(), kFailed, result);
            break;
        }
    } catch (const std::exception& e) {
        fail(messageOf(e), kFailed, result);
    }
    http.setTargetFile(QString());
    if (result.outcome != DownloadResult::Outcome::Answered)
        return result;
    if (!mstatus) {
        // Qt drops every header of a response whose headers are too many or too large.
        fail(headers == 0 ? QStringLiteral("The cart server's response headers were too large to be read, so its "
                                           "Mstatus header was not seen")
                          : QStringLiteral("The cart server's answer held no Mstatus header"),
             kNoStatus, result);
        return result;
    }
    applyStatus(*mstatus, result);
    return result;
}

} // namespace pelmora
