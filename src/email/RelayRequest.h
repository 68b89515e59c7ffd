#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

namespace pelmora
{

namespace toolkit
{
class HttpClient;
}

// One message for the mail relay, as the email dialog sends it.
struct RelayMessage {
    QString to;
    QString cc;
    QString from;
    QString subject;
    QString textBody;
    QString htmlBody; // empty when the merchant sends plain text only
};

// The request to the cart service's HTTP mail relay: a URL-encoded form of Windows-1252
// values, signed with an MD5 digest of from + to + subject + the relay token, POSTed over
// plain HTTP without the download proxy. The relay's answer is examined: only a 2xx status
// counts as sent.
class RelayRequest
{
  public:
    static inline const QString kPath = QStringLiteral("/pelmora/send.php");
    static constexpr int kDeadlineMs = 30000;

    // "http://" + relay host (host or host:port) + the path.
    static QUrl url(const QString& relayHost);
    // 32 lower-case hexadecimal digits: MD5 of the Windows-1252 bytes of from + to + subject +
    // the relay token.
    static QByteArray digest(const QString& from, const QString& to, const QString& subject);
    // The fields "to", "cc", "from", "subject", "text_mess", "html_mess", "ck" in that order,
    // each once.
    static QList<QPair<QByteArray, QByteArray>> fields(const RelayMessage& message);
    // The form body: name=value pairs joined by "&", values percent-encoded (blank as "+").
    static QByteArray body(const RelayMessage& message);

    // Posts the message with a client of its own (so no proxy applies); waits at most
    // deadlineMs. Throws Error with the reason on a connection failure, a time-out or a status
    // other than 2xx.
    static void send(const QString& relayHost, const RelayMessage& message, int deadlineMs = kDeadlineMs);
};

} // namespace pelmora
