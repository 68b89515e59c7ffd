#pragma once

#include "common/Root.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace pelmora
{

class DataModule;
class ServiceSettings;
class UserPort;

// The e-mails of a status trigger for several orders at once: for each order, the trigger's
// template is expanded against that order and its items and the message is sent through the
// mail relay, exactly as the email dialog would send it. Each order's result is its own: an
// order counts as sent only when the relay took its message.
class TriggerMailing
{
  public:
    static inline const QString kNoAddress = QStringLiteral("The order has no e-mail address");

    struct Recipient {
        qint64 key = 0; // the order's row identity
        QVariant shopperId;
        QString name;
        QString email;
        bool sent = false;
        QString failure; // why it was not sent; empty while not tried or when sent
    };

    // The live orders with these row identities, in the given order. Throws Error.
    TriggerMailing(DataModule& data, UserPort& port, const ServiceSettings& service, const Root& root,
                   const QString& templateName, const QList<qint64>& keys);

    QString templateName() const { return template_; }
    const QList<Recipient>& recipients() const { return recipients_; }
    // Whether a sender address is set up; while it is not, nothing can be sent.
    bool senderReady() const;

    // Builds and sends the message for recipient i; true when the relay took it. The reason
    // of a failure is in recipients()[i].failure (and the error log).
    bool send(int i);
    int sentCount() const;

  private:
    DataModule& data_;
    UserPort& port_;
    const ServiceSettings& service_;
    Root root_;
    QString template_;
    QList<Recipient> recipients_;
    QList<QVariantMap> orders_;
};

} // namespace pelmora
