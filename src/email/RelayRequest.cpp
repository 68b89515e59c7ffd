#include "email/RelayRequest.h"

#include "common/Error.h"
#include "email/TemplateText.h"
#include "toolkit/HttpClient.h"

#include <QCryptographicHash>

namespace pelmora
{

namespace
{
// The last input of the digest; never sent itself.
const QString kRelayToken = QStringLiteral("4kWPcdmvqrtw MMFzx");

QByteArray formEncode(const QByteArray& bytes)
{
    QByteArray encoded = bytes.toPercentEncoding(QByteArrayLiteral(" *"), QByteArrayLiteral("~"));
    encoded.replace(' ', '+');
    return encoded;
}
} // namespace

QUrl RelayRequest::url(const QString& relayHost)
{
    return QUrl(QStringLiteral("http://") + relayHost.trimmed() + kPath);
}

QByteArray RelayRequest::digest(const QString& from, const QString& to, const QString& subject)
{
    const QByteArray input = TemplateText::windows1252(from + to + subject + kRelayToken);
    return QCryptographicHash::hash(input, QCryptographicHash::Md5).toHex();
}

QList<QPair<QByteArray, QByteArray>> RelayRequest::fields(const RelayMessage& m)
{
    const auto ansi = [](const QString& text) { return TemplateText::windows1252(text); };
    return {
        {"to", ansi(m.to)},
        {"cc", ansi(m.cc)},
        {"from", ansi(m.from)},
        {"subject", ansi(m.subject)},
        {"text_mess", ansi(m.textBody)},
        {"html_mess", TemplateText::encodeHtml(m.htmlBody, TextEncoding::Windows1252)},
        {"ck", digest(m.from, m.to, m.subject)},
    };
}

QByteArray RelayRequest::body(const RelayMessage& message)
{
    QByteArray out;
    for (const auto& [name, value] : fields(message)) {
        if (!out.isEmpty())
            out += '&';
        out += name + '=' + formEncode(value);
    }
    return out;
}

void RelayRequest::send(const QString& relayHost, const RelayMessage& message, int deadlineMs)
{
    const QUrl target = url(relayHost);
    if (!target.isValid() || target.host().isEmpty())
        throw Error(QStringLiteral("The mail relay address \"%1\" is not valid").arg(relayHost));
    toolkit::HttpClient http;
    http.setTimeoutMs(deadlineMs);
    http.setDeadlineMs(deadlineMs);
    try {
        http.post(target, QByteArrayLiteral("application/x-www-form-urlencoded"), body(message));
    } catch (const toolkit::HttpError& e) {
        if (e.kind() == toolkit::HttpError::Kind::TimedOut)
            throw Error(QStringLiteral("The e-mail was not sent: the mail relay %1 did not answer within %2 s")
                            .arg(relayHost)
                            .arg(deadlineMs / 1000.0));
        if (http.lastStatusCode() != 0)
            throw Error(QStringLiteral("The e-mail was not sent: the mail relay answered %1 (%2)")
                            .arg(http.lastStatusCode())
                            .arg(e.message()));
        throw Error(QStringLiteral("The e-mail was not sent: ") + e.message());
    }
    const int status = http.lastStatusCode();
    if (status < 200 || status > 299)
        throw Error(QStringLiteral("The e-mail was not sent: the mail relay answered %1").arg(status));
}

} // namespace pelmora
