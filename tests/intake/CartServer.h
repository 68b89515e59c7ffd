#pragma once

// The cart's stand-ins for the intake tests: the cart server over TLS (every cart host of
// cnfg/service.ini can point at it), its download bodies, and a CONNECT proxy.

#include "support/TestServer.h"

namespace pelmora::test
{

class CartServer : public TestServer
{
  public:
    CartServer() : TestServer(true) { defaultResponse = CartResponse::withStatus("10007"); }

    // The lines of cnfg/service.ini that send the default cart host here and trust the test authority.
    QByteArray serviceIni() const
    {
        return "[cart]\ndefault=" + host().toLatin1() + "\n[tls]\nca_file=" + certFile("ca.pem").toUtf8() + "\n";
    }
};

// A download of count orders of the account shop1 numbered from first, each with two items.
inline QByteArray downloadBody(int first, int count)
{
    QByteArray orders = "header\r\n";
    QByteArray items;
    for (int i = first; i < first + count; ++i) {
        orders += QByteArray::number(i) + ";shop1;1.12.2006\r\n";
        items += QByteArray::number(i) + ";1;Widget\r\n" + QByteArray::number(i) + ";2;Gadget\r\n";
    }
    return orders + "<-- Orders -- >\r\n" + items;
}

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
