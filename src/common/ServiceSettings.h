#pragma once

#include <QString>

namespace pelmora
{

class Root;

// Addresses of the cart service for this deployment, from cnfg/service.ini (every key
// optional; the defaults below apply).
class ServiceSettings
{
  public:
    // Reads root + "cnfg/service.ini".
    static ServiceSettings load(const Root& root);
    // A relative ca_file is taken relative to root.
    static ServiceSettings fromFile(const QString& iniPath, const Root& root);

    // The cart host (host or host:port) for the server code, the first character of an
    // account name; anything but "6"-"9" and "A"-"E" (exactly so) selects the default host.
    QString cartHost(const QString& username) const;
    QString relayHost() const { return relay_; }
    QString supportUrl() const { return support_; }
    // The cart service's web address as shown in the Help menu (e.g. "www.corvane.com").
    QString homeAddress() const { return home_; }
    // An absolute path of extra trusted authorities, or empty.
    QString caFile() const { return caFile_; }
    // [network] deadline: the longest a whole cart request may take, in seconds (default 120).
    int deadlineMs() const { return deadlineMs_; }
    // [network] idle: the longest a cart request may go without data, in seconds (default 60).
    int idleTimeoutMs() const { return idleTimeoutMs_; }

  private:
    QString cartDefault_;
    QString cart_[10]; // codes 6 7 8 9 A B C D E, index by serverCodeIndex
    QString relay_;
    QString support_;
    QString home_;
    QString caFile_;
    int deadlineMs_ = 120000;
    int idleTimeoutMs_ = 60000;
};

} // namespace pelmora
