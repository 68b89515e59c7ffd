#include "toolkit/HttpClient.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <exception>
#include <memory>

namespace pelmora::toolkit
{

namespace
{

// Clears the busy flag however post() ends.
class BusyFlag
{
  public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

  private:
    bool& flag_;
};

QNetworkProxy networkProxy(const HttpProxy& p)
{
    if (p.server.trimmed().isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return QNetworkProxy(QNetworkProxy::HttpProxy, p.server.trimmed(), static_cast<quint16>(p.port), p.user,
                         p.password);
}

} // namespace

HttpClient::HttpClient(QObject* parent) : QObject(parent)
{
    // Requests go exactly where they are sent: no cookies, no cached credentials.
    manager_.setCookieJar(nullptr);
}

HttpClient::~HttpClient() = default;

void HttpClient::reset()
{
    targetFile_.clear();
    lastStatus_ = 0;
}

void HttpClient::setCaFile(const QString& pemFile)
{
    if (pemFile == caFile_)
        return;
    if (pemFile.isEmpty()) {
        caFile_.clear();
        extraCas_.clear();
        return;
    }
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(pemFile, QSsl::Pem);
    if (certificates.isEmpty())
        throw HttpError(QStringLiteral("No certificate could be read from %1").arg(pemFile));
    caFile_ = pemFile;
    extraCas_ = certificates;
}

QByteArray HttpClient::formEncode(const QString& value)
{
    // Unreserved characters of a form stay; a blank becomes "+"; the rest is %XX of UTF-8.
    QByteArray encoded = value.toUtf8().toPercentEncoding(QByteArrayLiteral(" *"), QByteArrayLiteral("~"));
    encoded.replace(' ', '+');
    return encoded;
}

QByteArray HttpClient::post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                            const HeaderHandler& onHeader)
{
    if (busy_)
        throw HttpError(QStringLiteral("Another request is running"));
    BusyFlag busy(busy_);
    lastStatus_ = 0;

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    // HTTP/1.1 keeps the header names as the server wrote them.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (timeoutMs_ > 0)
        request.setTransferTimeout(timeoutMs_);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (!extraCas_.isEmpty())
        tls.addCaCertificates(extraCas_);
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);
    manager_.setProxy(networkProxy(proxy_));
    // A fresh connection per request: the proxy or the authorities may have changed.
    manager_.clearConnectionCache();

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(manager_.post(request, body),
                                                                   [](QNetworkReply* r) { r->deleteLater(); });
    QEventLoop loop;
    QStringList tlsErrors;
    std::exception_ptr handlerError;
    QString fileError;
    bool headersHanded = false;
    std::unique_ptr<QFile> file;
    QByteArray memoryBody;

    auto handHeaders = [&] {
        if (headersHanded || handlerError)
            return;
        headersHanded = true;
        lastStatus_ = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!onHeader)
            return;
        try {
            for (const auto& [name, value] : reply->rawHeaderPairs())
                onHeader(name, value);
        } catch (...) {
            handlerError = std::current_exception();
            reply->abort();
        }
    };
    auto takeBody = [&] {
        if (handlerError || !fileError.isEmpty())
            return;
        const QByteArray chunk = reply->readAll();
        if (targetFile_.isEmpty()) {
            memoryBody += chunk;
            return;
        }
        if (!file) {
            file = std::make_unique<QFile>(targetFile_);
            if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                fileError = file->errorString() + QStringLiteral(": ") + targetFile_;
                reply->abort();
                return;
            }
        }
        if (!chunk.isEmpty() && file->write(chunk) != chunk.size()) {
            fileError = file->errorString() + QStringLiteral(": ") + targetFile_;
            reply->abort();
        }
    };

    QNetworkReply* r = reply.get();
    connect(r, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        for (const QSslError& e : errors)
            tlsErrors << e.errorString();
    });
    connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        if (r->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            handHeaders();
    });
    connect(r, &QNetworkReply::readyRead, &loop, [&] {
        handHeaders();
        takeBody();
    });
    connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!r->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (handlerError)
        std::rethrow_exception(handlerError);
    if (r->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        handHeaders();
        takeBody();
        if (handlerError)
            std::rethrow_exception(handlerError);
    }
    if (file)
        file->close();
    if (!fileError.isEmpty())
        throw HttpError(fileError);
    if (lastStatus_ >= 400)
        throw HttpError(
            QStringLiteral("The server answered %1 %2 to %3")
                .arg(lastStatus_)
                .arg(r->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(), url.toDisplayString()));
    if (r->error() != QNetworkReply::NoError) {
        QString message = r->errorString();
        if (!tlsErrors.isEmpty())
            message += QStringLiteral(" (") + tlsErrors.join(QStringLiteral("; ")) + ')';
        throw HttpError(message);
    }
    if (!targetFile_.isEmpty() && !file) {
        // An empty body still replaces the target file.
        QFile empty(targetFile_);
        if (!empty.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw HttpError(empty.errorString() + QStringLiteral(": ") + targetFile_);
    }
    return memoryBody;
}

} // namespace pelmora::toolkit
