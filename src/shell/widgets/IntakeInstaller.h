#pragma once

#include <QObject>
#include <memory>

class QComboBox;

namespace pelmora
{

class AccountDownloads;
class AccountSelection;
class AdminLink;
class CommandSurface;
class DownloadTimer;
class MainWindow;
class PrefsDialog;
class UserPort;
struct IntakeContext;

namespace toolkit
{
class HttpClient;
}

// Puts the order intake into the main window: the preferences dialog (hidden, filled once),
// the account selector over Users, the Download commands, "Login to Admin", "Preferences",
// the automatic download timer and the one HTTP client of the window.
class IntakeInstaller : public QObject
{
    Q_OBJECT
  public:
    // Installs into window (after it has read its configuration); the installer is a child of
    // the window and lives as long as it does.
    static IntakeInstaller* install(MainWindow& window);
    ~IntakeInstaller() override;

    // The archive view disables the two download commands; the way back enables them.
    static void enableDownloadCommands(CommandSurface& commands, bool enabled = true);

    PrefsDialog* preferences() const { return prefs_; }
    // The window's HTTP client, shared by everything that talks to the cart service.
    toolkit::HttpClient& http() const { return *http_; }
    AccountSelection& accounts() const;
    AccountDownloads& downloads() const { return *downloads_; }
    DownloadTimer& timer() const { return *timer_; }
    // The user port the intake operations talk through: the window's, with the window's
    // controls disabled while busy.
    UserPort& port() const;

  private:
    explicit IntakeInstaller(MainWindow& window);
    void buildSelector();
    void wireCommands();
    void openPreferences(const QString& tab);

    class BusyPort;
    class SelectorAccounts;

    // Each member reaches only the ones declared before it, so they go in reverse order: the
    // timer before the downloads it starts, the downloads before the context and the client.
    MainWindow& window_;
    PrefsDialog* prefs_ = nullptr; // a window of the main window's
    std::unique_ptr<toolkit::HttpClient> http_;
    std::unique_ptr<BusyPort> port_;
    std::unique_ptr<SelectorAccounts> accounts_;
    std::unique_ptr<IntakeContext> context_;
    std::unique_ptr<AccountDownloads> downloads_;
    std::unique_ptr<AdminLink> admin_;
    std::unique_ptr<DownloadTimer> timer_;
};

} // namespace pelmora
