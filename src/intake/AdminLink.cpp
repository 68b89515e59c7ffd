#include "intake/AdminLink.h"

#include "common/Error.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "database/SqlDialect.h"
#include "intake/AccountName.h"
#include "intake/AnsiText.h"
#include "intake/Download.h"

#include <QCryptographicHash>

namespace pelmora
{

QString AdminLink::token(const QString& password)
{
    const QByteArray bytes = kTokenPrefix +
                             AnsiText::fromUnicodeStrict(password, QStringLiteral("The login password"), false) +
                             kTokenSuffix;
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QUrl AdminLink::link(const QString& accountName, const QString& password) const
{
    const QByteArray text =
        QByteArrayLiteral("https://") + service_.cartHost(accountName).toUtf8() + kPath.toUtf8() +
        QByteArrayLiteral("?us=") +
        AnsiText::fromUnicodeStrict(accountName, QStringLiteral("The account name")).toPercentEncoding() +
        QByteArrayLiteral("&tp=") + QUrl::toPercentEncoding(token(password));
    return QUrl::fromEncoded(text, QUrl::StrictMode);
}

void AdminLink::open(const QString& selectorText)
{
    QString password;
    QSqlQuery account =
        data_.select(QStringLiteral("Select * From Users where Username = ") + SqlDialect::quote(selectorText) + ' ');
    if (account.next())
        password = AccountName::trimmed(account.value(QStringLiteral("Pass")).toString());
    const QString name = AccountName::trimmed(selectorText);
    if (name == Schema::kPlaceholderAccount) {
        port_.openPreferences(Download::kUserAccountsTab);
        return;
    }
    QUrl url;
    try {
        url = link(name, password);
    } catch (const Error& e) {
        // A name or password the cart cannot read is refused, not sent mangled.
        port_.warning(e.message());
        return;
    }
    port_.openUrl(url);
}

} // namespace pelmora
