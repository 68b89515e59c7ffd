#include "toolkit/HttpClient.h"

#include "toolkit/MessageText.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <cerrno>
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
    return formEncodeBytes(value.toUtf8());
}

QByteArray HttpClient::formEncodeBytes(const QByteArray& bytes)
{
    // Unreserved characters of a form stay; a blank becomes "+"; the rest is %XX.
    QByteArray encoded = bytes.toPercentEncoding(QByteArrayLiteral(" *"), QByteArrayLiteral("~"));
    encoded.replace(' ', '+');
    return encoded;
}

// One request from its start to its outcome: hands the headers over, streams the body to
// the target file or memory, watches the idle time and the deadline, and decides the
// outcome only once the transfer has ended. The first failure wins; it aborts the transfer.
class HttpClient::Exchange
{
  public:
    Exchange(QNetworkReply& reply, QString targetFile, const HeaderHandler& onHeader)
        : reply_(reply), targetFile_(std::move(targetFile)), onHeader_(onHeader)
    {
    }

    // Runs until the reply finishes; returns the body when there is no target file. Throws
    // HttpError (or what the header handler threw) after removing a partial target file.
    QByteArray run(int idleMs, int deadlineMs, int& status)
    {
        QEventLoop loop;
        QTimer idle;
        QTimer deadline;
        idle.setSingleShot(true);
        deadline.setSingleShot(true);
        auto activity = [&] {
            if (idleMs > 0)
                idle.start(idleMs);
        };
        QObject::connect(&idle, &QTimer::timeout, &loop, [&, idleMs] {
            failWith(HttpError(QStringLiteral("The server sent nothing for %1 s").arg(idleMs / 1000.0),
                               HttpError::Kind::TimedOut));
        });
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&, deadlineMs] {
            failWith(
                HttpError(QStringLiteral("The server did not complete its answer within %1 s").arg(deadlineMs / 1000.0),
                          HttpError::Kind::TimedOut));
        });
        QObject::connect(&reply_, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
            for (const QSslError& e : errors)
                tlsErrors_ << e.errorString();
        });
        QObject::connect(&reply_, &QNetworkReply::metaDataChanged, &loop, [&] {
            activity();
            if (hasStatus())
                handHeaders();
        });
        QObject::connect(&reply_, &QNetworkReply::readyRead, &loop, [&] {
            activity();
            handHeaders();
            takeBody();
        });
        QObject::connect(&reply_, &QNetworkReply::uploadProgress, &loop, activity);
        QObject::connect(&reply_, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (deadlineMs > 0)
            deadline.start(deadlineMs);
        activity();
        if (!reply_.isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);

        if (!error_ && hasStatus()) {
            handHeaders();
            takeBody();
        }
        status = status_;
        if (file_)
            file_->close();
        if (!error_)
            checkOutcome();
        if (error_) {
            removePartialFile();
            std::rethrow_exception(error_);
        }
        return memoryBody_;
    }

  private:
    bool hasStatus() const { return reply_.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid(); }

    void failWith(const std::exception_ptr& error)
    {
        if (error_)
            return;
        error_ = error;
        reply_.abort();
    }
    template <typename E> void failWith(const E& error) { failWith(std::make_exception_ptr(error)); }

    void handHeaders()
    {
        if (headersHanded_ || error_)
            return;
        headersHanded_ = true;
        status_ = reply_.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!onHeader_)
            return;
        try {
            for (const auto& [name, value] : reply_.rawHeaderPairs())
                onHeader_(name, value);
        } catch (...) {
            failWith(std::current_exception());
        }
    }

    void takeBody()
    {
        if (error_)
            return;
        const QByteArray chunk = reply_.readAll();
        if (targetFile_.isEmpty()) {
            memoryBody_ += chunk;
            return;
        }
        if (!file_ && !openFile())
            return;
        if (!chunk.isEmpty() && file_->write(chunk) != chunk.size()) {
            const int error = errno;
            failWith(fileError(error));
        }
    }

    bool openFile()
    {
        file_ = std::make_unique<QFile>(targetFile_);
        // Unbuffered: a full disk shows at the write that meets it, with its own reason.
        if (file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            return true;
        const int error = errno;
        failWith(fileError(error));
        file_.reset();
        return false;
    }

    HttpError fileError(int error) const
    {
        const QString reason = fileErrorText(error, file_ ? file_->errorString() : QString());
        return HttpError(reason + QStringLiteral(": ") + targetFile_,
                         reason == kDiskFull ? HttpError::Kind::DiskFull : HttpError::Kind::Failed);
    }

    void removePartialFile()
    {
        // Whatever the target held belongs to an earlier request; a cut body must not pass
        // for this one's.
        file_.reset();
        if (!targetFile_.isEmpty())
            QFile::remove(targetFile_);
    }

    // Decides how a transfer that ended without a failure of ours went.
    void checkOutcome()
    {
        const QUrl url = reply_.url();
        if (status_ >= 300 && status_ < 400) {
            const QString location = QString::fromLatin1(reply_.rawHeader("Location"));
            const QString target = url.resolved(QUrl(location)).toDisplayString();
            failWith(HttpError(QStringLiteral("The server redirected the request for %1 to %2")
                                   .arg(quotedValue(url.toDisplayString()), quotedValue(target)),
                               HttpError::Kind::Redirected, target));
            return;
        }
        if (status_ >= 400 || (status_ != 0 && status_ < 200)) {
            failWith(HttpError(QStringLiteral("The server answered %1 %2 to %3")
                                   .arg(status_)
                                   .arg(reply_.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                                        quotedValue(url.toDisplayString()))));
            return;
        }
        if (reply_.error() != QNetworkReply::NoError) {
            QString message = reply_.errorString();
            if (hasStatus() && reply_.error() == QNetworkReply::RemoteHostClosedError)
                message = QStringLiteral("The connection closed before the whole answer had arrived");
            // Qt gives no reason for a damaged compressed body.
            if (message.endsWith(QLatin1String(": ")))
                message += QStringLiteral("the data is damaged");
            if (!tlsErrors_.isEmpty())
                message += QStringLiteral(" (") + tlsErrors_.join(QStringLiteral("; ")) + ')';
            failWith(HttpError(message));
            return;
        }
        if (!targetFile_.isEmpty() && !file_) {
            // An empty body still replaces the target file.
            if (openFile())
                file_->close();
        }
    }

    QNetworkReply& reply_;
    const QString targetFile_;
    const HeaderHandler& onHeader_;
    std::exception_ptr error_;
    QStringList tlsErrors_;
    bool headersHanded_ = false;
    int status_ = 0;
    std::unique_ptr<QFile> file_;
    QByteArray memoryBody_;
};

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
    Exchange exchange(*reply, targetFile_, onHeader);
    return exchange.run(timeoutMs_, deadlineMs_, lastStatus_);
}

} // namespace pelmora::toolkit
