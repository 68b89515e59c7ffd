#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace pelmora
{

class DataModule;
class UserPort;
class ServiceSettings;

// The "Login to Admin" link: the cart's administration pages for the selected account,
// with a token made from its login password, opened in the default browser.
class AdminLink
{
  public:
    static inline const QByteArray kTokenPrefix = QByteArrayLiteral("52kvd3RTB 47wxn].gorQ");
    static inline const QByteArray kTokenSuffix = QByteArrayLiteral("qprtvz48206");
    static inline const QString kPath = QStringLiteral("/admin/users/pelmora.php");

    AdminLink(DataModule& data, UserPort& port, const ServiceSettings& service)
        : data_(data), port_(port), service_(service)
    {
    }

    // Opens the link for the account the selector shows (the placeholder account "Username"
    // opens the preferences on "User accounts" instead). Failures (the account lookup) are
    // thrown for the command wrapper.
    void open(const QString& selectorText);

    // MD5 of prefix + password (Windows-1252) + suffix, 32 lower-case hex digits. Throws
    // Error for a character that Windows-1252 lacks.
    static QString token(const QString& password);
    // "https://" host path "?us=" name "&tp=" token, values percent-encoded from their
    // Windows-1252 bytes. Throws Error as token() does; a refused link shows as a warning.
    QUrl link(const QString& accountName, const QString& password) const;

  private:
    DataModule& data_;
    UserPort& port_;
    const ServiceSettings& service_;
};

} // namespace pelmora
