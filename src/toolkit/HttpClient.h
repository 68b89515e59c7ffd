#pragma once

#include "toolkit/MessageText.h"
#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <functional>
#include <stdexcept>

namespace pelmora::toolkit
{

// What HttpClient throws when a request fails: connection, TLS verification, an HTTP status
// other than 2xx, time-out, the target file, or a header handler that threw.
class HttpError : public MessageError
{
  public:
    enum class Kind {
        Failed,     // connection, TLS, an HTTP error status, a cut transfer
        TimedOut,   // no data for the idle time, or the whole request past its deadline
        Redirected, // a 3xx answer; target() holds where it pointed
        DiskFull,   // the target file could not be written: no space left
    };
    explicit HttpError(const QString& message, Kind kind = Kind::Failed, const QString& target = QString())
        : MessageError(message), kind_(kind), target_(target)
    {
    }
    Kind kind() const { return kind_; }
    QString target() const { return target_; }

  private:
    Kind kind_;
    QString target_;
};

// Proxy settings as the merchant enters them; an empty server means a direct connection.
struct HttpProxy {
    QString user;
    QString password;
    QString server;
    int port = 0;
};

// One HTTP client over QNetworkAccessManager with blocking requests: post() runs a local
// event loop until the response is complete (timers and sockets of the same thread go on
// meanwhile). Requests use HTTP/1.1, so header names arrive with the letter case the
// server sent. Server certificates are verified against the system's authorities plus the
// extra ones of setCaFile(). Proxy and trusted authorities stay in force across reset().
class HttpClient : public QObject
{
    Q_OBJECT
  public:
    // Called for every response header, exact name and value, before post() returns.
    // Whatever it throws aborts the request and leaves post() with that exception.
    using HeaderHandler = std::function<void(const QByteArray& name, const QByteArray& value)>;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // Clears what belongs to one request: the target file and the last response's status.
    void reset();

    // The file that receives the response body (replaced when the response starts). Empty:
    // post() returns the body instead.
    void setTargetFile(const QString& path) { targetFile_ = path; }
    QString targetFile() const { return targetFile_; }

    void setProxy(const HttpProxy& proxy) { proxy_ = proxy; }
    HttpProxy proxy() const { return proxy_; }
    void setProxyUser(const QString& user) { proxy_.user = user; }
    void setProxyPassword(const QString& password) { proxy_.password = password; }
    void setProxyServer(const QString& server) { proxy_.server = server; }
    void setProxyPort(int port) { proxy_.port = port; }

    // Extra trusted authorities from a PEM file, added to the system's. Empty: the system's
    // only. Throws HttpError when the file holds no certificate. Reloaded only when changed.
    void setCaFile(const QString& pemFile);
    QString caFile() const { return caFile_; }

    // No data for this long ends the request with a TimedOut error (0: no idle limit).
    void setTimeoutMs(int milliseconds) { timeoutMs_ = milliseconds; }
    int timeoutMs() const { return timeoutMs_; }
    // The whole request, however the server drips its answer, ends with a TimedOut error
    // after this long (0: no deadline).
    void setDeadlineMs(int milliseconds) { deadlineMs_ = milliseconds; }
    int deadlineMs() const { return deadlineMs_; }

    // POSTs body with the content type. Hands every response header to onHeader, writes
    // the body to the target file (or returns it when there is none). Throws HttpError on
    // any failure, also for a status other than 2xx (the headers have been handed over by
    // then) and for a transfer cut short of its announced length; the target file is then
    // removed, so a failed request never leaves a partial body behind. One request at a
    // time: a second post() while one runs throws.
    QByteArray post(const QUrl& url, const QByteArray& contentType, const QByteArray& body,
                    const HeaderHandler& onHeader = {});

    // Whether a request is running (its local event loop is spinning).
    bool isBusy() const { return busy_; }
    // The HTTP status code of the last response (0 when none arrived).
    int lastStatusCode() const { return lastStatus_; }

    // application/x-www-form-urlencoded encoding of one value (UTF-8; blank as "+").
    static QByteArray formEncode(const QString& value);
    // The same for bytes of any character set.
    static QByteArray formEncodeBytes(const QByteArray& bytes);

  private:
    class Exchange;

    QNetworkAccessManager manager_;
    QString targetFile_;
    HttpProxy proxy_;
    QString caFile_;
    QList<QSslCertificate> extraCas_;
    int timeoutMs_ = 60000;
    int deadlineMs_ = 120000;
    bool busy_ = false;
    int lastStatus_ = 0;
};

} // namespace pelmora::toolkit
