#pragma once

// A local HTTP server on 127.0.0.1 (over TLS with the test certificate, or plain) for the
// tests of the cart and the mail relay: records every request and answers each with the
// response queued for it, the way a well-behaved, broken or hostile server would.

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace pelmora::test
{

inline QString certFile(const char* name)
{
    return QStringLiteral(PELMORA_TEST_DATA "/certs/") + QString::fromLatin1(name);
}

struct TestRequest {
    QByteArray method;
    QByteArray path;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const
    {
        for (const auto& [n, v] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        return {};
    }
    // The form fields of the body in their order, values still encoded.
    QList<QPair<QByteArray, QByteArray>> rawFields() const
    {
        QList<QPair<QByteArray, QByteArray>> fields;
        for (const QByteArray& pair : body.split('&')) {
            const int equals = pair.indexOf('=');
            fields << qMakePair(pair.left(equals), pair.mid(equals + 1));
        }
        return fields;
    }
    // A form field's value as sent (still encoded); empty when there is none.
    QByteArray field(const QByteArray& name) const
    {
        for (const auto& [n, v] : rawFields())
            if (n == name)
                return v;
        return {};
    }
};
// The cart's and the relay's requests are the same form posts.
using CartRequest = TestRequest;

struct TestResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // How the answer goes out, for a hostile or broken server.
    QByteArray raw;        // sent instead of the built answer (status line, headers and body)
    bool noLength = false; // no Content-Length: the body ends where the connection does
    bool cutOff = false;   // the connection drops once everything is sent, without a close
    bool stall = false;    // the connection stays open once everything is sent
    int dripMs = 0;        // one byte every dripMs (the headers go out at once)

    // The cart's answer: its status header and a download body.
    static TestResponse withStatus(const QByteArray& mstatus, const QByteArray& body = {})
    {
        TestResponse r;
        r.headers << qMakePair(QByteArrayLiteral("Mstatus"), mstatus);
        r.body = body;
        return r;
    }
};
using CartResponse = TestResponse;

// Reads one HTTP request from a socket as it arrives.
class RequestParser
{
  public:
    // Adds bytes; true once the request (headers and Content-Length body) is complete.
    bool add(const QByteArray& bytes)
    {
        buffer_ += bytes;
        const int end = buffer_.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QList<QByteArray> lines = buffer_.left(end).split('\n');
        request = TestRequest();
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        request.version = first.value(2);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers << qMakePair(lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed());
        }
        const int length = request.header("Content-Length").toInt();
        if (buffer_.size() - (end + 4) < length)
            return false;
        request.body = buffer_.mid(end + 4, length);
        return true;
    }
    TestRequest request;

  private:
    QByteArray buffer_;
};

class TestServer
{
  public:
    explicit TestServer(bool tls)
    {
        if (!tls) {
            server_ = std::make_unique<QTcpServer>();
            QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] { accept(); });
        } else {
            QFile certIn(certFile("server.pem"));
            QFile keyIn(certFile("server.key"));
            certIn.open(QIODevice::ReadOnly);
            keyIn.open(QIODevice::ReadOnly);
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(QSslCertificate(certIn.readAll(), QSsl::Pem));
            configuration.setPrivateKey(QSslKey(keyIn.readAll(), QSsl::Rsa, QSsl::Pem));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            auto server = std::make_unique<QSslServer>();
            server->setSslConfiguration(configuration);
            QObject::connect(server.get(), &QTcpServer::pendingConnectionAvailable, server.get(), [this] { accept(); });
            server_ = std::move(server);
        }
        server_->listen(QHostAddress::LocalHost, 0);
    }
    virtual ~TestServer() = default;

    quint16 port() const { return server_->serverPort(); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    QList<TestRequest> requests;
    QList<TestResponse> responses; // answered in order; then defaultResponse
    TestResponse defaultResponse;
    // Called when a request has arrived, before it is answered.
    std::function<void(const TestRequest&)> onRequest;

  protected:
    // The answer to a request; none leaves the request unanswered.
    virtual std::optional<TestResponse> answerFor(const TestRequest&)
    {
        return responses.isEmpty() ? defaultResponse : responses.takeFirst();
    }

  private:
    void accept()
    {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            auto parser = std::make_shared<RequestParser>();
            QPointer<QTcpSocket> s(socket);
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, s, parser] {
                if (!s || !parser->add(s->readAll()))
                    return;
                requests << parser->request;
                if (onRequest)
                    onRequest(parser->request);
                const std::optional<TestResponse> r = answerFor(parser->request);
                if (s && r)
                    answer(s.data(), *r);
            });
        }
    }

    static QByteArray build(const TestResponse& r)
    {
        if (!r.raw.isEmpty())
            return r.raw;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + (r.status < 400 ? " OK" : " Error") + "\r\n";
        for (const auto& [n, v] : r.headers)
            out += n + ": " + v + "\r\n";
        if (!r.noLength)
            out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
        return out + "Connection: close\r\n\r\n" + r.body;
    }

    static void finish(QTcpSocket* s, const TestResponse& r)
    {
        if (r.stall)
            return;
        if (!r.cutOff) {
            s->disconnectFromHost();
            return;
        }
        // Dropped once the last byte is on its way: no close of the TLS layer.
        auto* tls = qobject_cast<QSslSocket*>(s);
        auto drop = [s, tls] {
            if ((!tls || tls->encryptedBytesToWrite() == 0) && s->bytesToWrite() == 0)
                s->abort();
        };
        if (tls)
            QObject::connect(tls, &QSslSocket::encryptedBytesWritten, s, drop);
        else
            QObject::connect(s, &QTcpSocket::bytesWritten, s, drop);
        s->flush();
        drop();
    }

    static void answer(QTcpSocket* s, const TestResponse& r)
    {
        const QByteArray out = build(r);
        if (r.dripMs <= 0) {
            s->write(out);
            finish(s, r);
            return;
        }
        const qsizetype head = out.indexOf("\r\n\r\n") + 4;
        s->write(out.left(head));
        auto* timer = new QTimer(s);
        auto at = std::make_shared<qsizetype>(head);
        QObject::connect(timer, &QTimer::timeout, s, [s, timer, out, at, r] {
            if (*at >= out.size()) {
                timer->stop();
                finish(s, r);
                return;
            }
            s->write(out.mid((*at)++, 1));
        });
        timer->start(r.dripMs);
    }

    std::unique_ptr<QTcpServer> server_;
};

} // namespace pelmora::test
