#include "intake/Download.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "common/Root.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "toolkit/HttpClient.h"

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
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
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
    return QByteArrayLiteral("mx=") + HttpClient::formEncode(mx) + QByteArrayLiteral("&v=4.7") +
           QByteArrayLiteral("&id=") + HttpClient::formEncode(username) + QByteArrayLiteral("&pw=") +
           HttpClient::formEncode(password);
}

void Download::onHeader(const QByteArray& name, const QByteArray& value, DownloadResult& result)
{
    if (name != kStatusHeader)
        return;
    const QString text = QString::fromLatin1(value);
    const int n = toInteger(text);
    if (n <= 10000) {
        result.statusText = text + kNewOrders;
        context_.port.setStatus(result.statusText);
        context_.NewOrdersDownloaded = true;
    } else {
        if (n == 12007)
            context_.port.information(kSelectCartServer);
        result.statusText = statusText(n);
        context_.port.setStatus(result.statusText);
        context_.NewOrdersDownloaded = false;
    }
    result.mstatus = n;
}

DownloadResult Download::run(const QString& username)
{
    return run(username, username);
}

DownloadResult Download::run(const QString& username, const QString& lookupName)
{
    DownloadResult result;
    // Only a response that announces orders may lead to an import.
    context_.NewOrdersDownloaded = false;
    if (username == Schema::kPlaceholderAccount) {
        result.outcome = DownloadResult::Outcome::Placeholder;
        context_.port.openPreferences(kUserAccountsTab);
        return result;
    }

    BusyCursor busy(context_.port);
    QString password;
    const bool found = GuardWith(
        [&](const QString& message) {
            result.error = message;
            LogError(message);
        },
        [&] {
            QSqlQuery account = context_.data.select(QStringLiteral("Select * From Users where Username = ") +
                                                     SqlDialect::quote(lookupName) + ' ');
            if (account.next())
                password = account.value(QStringLiteral("Secure")).toString();
        });
    if (!found)
        return result;

    const QString mx = highestHeldOrder(username);

    toolkit::HttpClient& http = context_.http;
    GuardWith(
        [&](const QString& message) {
            result.error = message;
            // An interrupted or refused response is never imported.
            context_.NewOrdersDownloaded = false;
            LogError(message);
        },
        [&] {
            http.reset();
            http.setCaFile(context_.service.caFile());
            http.setTargetFile(Root::file(kDownloadFile));
            const QUrl url(QStringLiteral("https://") + context_.service.cartHost(username) + kPath);
            http.post(url, kContentType, requestBody(mx, username, password),
                      [&](const QByteArray& name, const QByteArray& value) { onHeader(name, value, result); });
            result.outcome = DownloadResult::Outcome::Answered;
        });
    http.setTargetFile(QString());
    return result;
}

} // namespace pelmora
