#pragma once

#include "common/Root.h"
#include <QString>
#include <QVariantMap>
#include <optional>

namespace pelmora
{

class DataModule;

class ServiceSettings;
class UserPort;

// Customer email and paste data for scripts (pelmora-cli): the same operations as the email
// dialog and the "Paste details" window, for an order named by its number.
class EmailScript
{
  public:
    EmailScript(DataModule& data, UserPort& port, const ServiceSettings& service, const Root& root)
        : data_(data), port_(port), service_(service), root_(root)
    {
    }

    // The first order with that ShopperID, every column by name. Throws Error when there is
    // none.
    QVariantMap order(const QString& shopperId);

    // Expands the template (by name; the first row of Templates when empty) for the order with
    // the additional message and returns the HTML body. With send, posts it to the relay as the
    // dialog's "Send" does. Throws Error with the reason on failure (no such order or template,
    // the placeholder sender, a relay failure).
    QString email(const QString& shopperId, const QString& templateName, const QString& message, bool send);

    // The paste-data text for the order. Throws Error.
    QString paste(const QString& shopperId);

  private:
    DataModule& data_;
    UserPort& port_;
    const ServiceSettings& service_;
    Root root_;
};

} // namespace pelmora
