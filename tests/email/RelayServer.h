#pragma once

// A local stand-in for the mail relay: plain HTTP on 127.0.0.1, records every request and
// answers with the chosen status, or never answers at all.

#include "intake/CartServer.h"

#include <QTcpServer>
#include <QUrlQuery>

namespace pelmora::test
{

class RelayServer
{
  public:
    RelayServer()
    {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
        server_.listen(QHostAddress::LocalHost, 0);
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }

    QList<CartRequest> requests;
    int status = 200;
    bool answer = true;

    // The form fields of a request in their order, values still encoded.
    static QList<QPair<QByteArray, QByteArray>> rawFields(const CartRequest& request)
    {
        QList<QPair<QByteArray, QByteArray>> fields;
        for (const QByteArray& pair : request.body.split('&')) {
            const int equals = pair.indexOf('=');
            fields << qMakePair(pair.left(equals), pair.mid(equals + 1));
        }
        return fields;
    }
    // A field's value as bytes: "+" as blank, %XX decoded.
    static QByteArray field(const CartRequest& request, const QByteArray& name)
    {
        for (const auto& [n, v] : rawFields(request))
            if (n == name)
                return QByteArray::fromPercentEncoding(QByteArray(v).replace('+', ' '));
        return "<missing>";
    }

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
                if (!answer)
                    return;
                const QByteArray body = status / 100 == 2 ? "OK" : "Relay error";
                s->write("HTTP/1.1 " + QByteArray::number(status) +
                         " Status\r\nContent-Type: text/plain\r\n"
                         "Content-Length: " +
                         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        }
    }

    QTcpServer server_;
};

} // namespace pelmora::test
