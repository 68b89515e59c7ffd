#pragma once

// A local HTTPS cart server for the intake tests: listens on 127.0.0.1 with the test
// certificate, records every request and answers with the responses queued for it.

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

namespace pelmora::test
{

inline QString certFile(const char* name)
{
    return QStringLiteral(PELMORA_TEST_DATA "/certs/") + QString::fromLatin1(name);
}

struct CartRequest {
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
};

struct CartResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // How the answer goes out, for a hostile or broken server.
    QByteArray raw;        // sent instead of the built answer (status line, headers and body)
    bool noLength = false; // no Content-Length: the body ends where the connection does
    bool cutOff = false;   // the connection drops once everything is sent, without a TLS close
    bool stall = false;    // the connection stays open once everything is sent
    int dripMs = 0;        // one byte every dripMs (the headers go out at once)

    static CartResponse withStatus(const QByteArray& mstatus, const QByteArray& body = {})
    {
        CartResponse r;
        r.headers << qMakePair(QByteArrayLiteral("Mstatus"), mstatus);
        r.body = body;
        return r;
    }
};

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
        request = CartRequest();
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
    CartRequest request;

  private:
    QByteArray buffer_;
};

class CartServer
{
  public:
    CartServer()
    {
        QFile certFileIn(certFile("server.pem"));
        QFile keyFileIn(certFile("server.key"));
        certFileIn.open(QIODevice::ReadOnly);
        keyFileIn.open(QIODevice::ReadOnly);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certFileIn.readAll(), QSsl::Pem));
        tls.setPrivateKey(QSslKey(keyFileIn.readAll(), QSsl::Rsa, QSsl::Pem));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server_.setSslConfiguration(tls);
        QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_, [this] { accept(); });
        server_.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return server_.serverPort(); }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    QList<CartRequest> requests;
    QList<CartResponse> responses; // answered in order; then defaultResponse
    CartResponse defaultResponse = CartResponse::withStatus("10007");
    // Called when a request has arrived, before it is answered.
    std::function<void(const CartRequest&)> onRequest;

  private:
    void accept()
    {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto parser = std::make_shared<RequestParser>();
            QPointer<QTcpSocket> s(socket);
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, s, parser] {
                if (!s || !parser->add(s->readAll()))
                    return;
                requests << parser->request;
                if (onRequest)
                    onRequest(parser->request);
                const CartResponse r = responses.isEmpty() ? defaultResponse : responses.takeFirst();
                if (s)
                    answer(static_cast<QSslSocket*>(s.data()), r);
            });
        }
    }

    static QByteArray build(const CartResponse& r)
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

    static void finish(QSslSocket* s, const CartResponse& r)
    {
        if (r.stall)
            return;
        if (!r.cutOff) {
            s->disconnectFromHost();
            return;
        }
        // Dropped once the last byte is on its way: no TLS close, no FIN of the TLS layer.
        auto drop = [s] {
            if (s->encryptedBytesToWrite() == 0 && s->bytesToWrite() == 0)
                s->abort();
        };
        QObject::connect(s, &QSslSocket::encryptedBytesWritten, s, drop);
        s->flush();
        drop();
    }

    static void answer(QSslSocket* s, const CartResponse& r)
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

    QSslServer server_;
};

// A plain HTTP CONNECT proxy on 127.0.0.1 that records each CONNECT and then relays bytes.
// With credentials set it first answers 407 until the client sends them.
class ConnectProxy
{
  public:
    ConnectProxy()
    {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
        server_.listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return server_.serverPort(); }

    QByteArray requiredAuthorization; // e.g. "Basic dXNlcjpwYXNz"; empty: none required
    QList<QByteArray> connects;       // request lines of the CONNECTs relayed
    QList<QByteArray> authorizations; // Proxy-Authorization of each CONNECT relayed

  private:
    void accept()
    {
        while (QTcpSocket* client = server_.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            auto upstream = std::make_shared<QPointer<QTcpSocket>>();
            QPointer<QTcpSocket> c(client);
            QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QTcpSocket::readyRead, client, [this, c, buffer, upstream] {
                if (!c)
                    return;
                if (*upstream) {
                    (*upstream)->write(c->readAll());
                    return;
                }
                *buffer += c->readAll();
                const int end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                QByteArray authorization;
                for (const QByteArray& line : lines)
                    if (line.toLower().startsWith("proxy-authorization:"))
                        authorization = line.mid(line.indexOf(':') + 1).trimmed();
                buffer->clear();
                if (!requiredAuthorization.isEmpty() && authorization != requiredAuthorization) {
                    c->write("HTTP/1.1 407 Proxy Authentication Required\r\n"
                             "Proxy-Authenticate: Basic realm=\"test\"\r\nContent-Length: 0\r\n"
                             "Proxy-Connection: close\r\nConnection: close\r\n\r\n");
                    c->disconnectFromHost();
                    return;
                }
                connects << lines.value(0).trimmed();
                authorizations << authorization;
                const QList<QByteArray> target = lines.value(0).split(' ').value(1).split(':');
                auto* up = new QTcpSocket(c);
                *upstream = up;
                QObject::connect(up, &QTcpSocket::connected, c, [c] {
                    if (c)
                        c->write("HTTP/1.1 200 Connection established\r\n\r\n");
                });
                QObject::connect(up, &QTcpSocket::readyRead, c, [c, up] {
                    if (c)
                        c->write(up->readAll());
                });
                QObject::connect(up, &QTcpSocket::disconnected, c, [c] {
                    if (c)
                        c->disconnectFromHost();
                });
                up->connectToHost(QString::fromLatin1(target.value(0)), target.value(1).toUShort());
            });
        }
    }

    QTcpServer server_;
};

} // namespace pelmora::test
