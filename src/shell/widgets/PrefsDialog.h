#pragma once

#include "shell/PrefsClose.h"

#include <QDialog>
#include <QList>

class QTabWidget;

namespace pelmora
{

class PrefsAccountsPage;
class PrefsDownloadPage;
class PrefsEmailPage;
class PrefsListsPage;
class PrefsLocationsPage;
class PrefsPage;
class PrefsProxyPage;
class PrefsTriggersPage;
class Session;

inline const QString kPrefsCaption = QStringLiteral("Preferences");
inline const QString kUserAccountsTab = QStringLiteral("User accounts");

// The preferences dialog: created hidden at start, filled once from the settings, shown
// modally on a tab; whenever it closes it runs the close steps (tables posted, locations
// applied, download settings taken over, config_global.ini saved).
class PrefsDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit PrefsDialog(Session& session, QWidget* parent = nullptr);
    ~PrefsDialog() override;

    // Puts the settings into the controls; done once, at start. Later showings keep what the
    // merchant left in the controls.
    void fillControls();
    // Who sets the automatic download timer's interval when the dialog closes.
    void setIntervalSetter(PrefsClose::SetInterval setter) { setInterval_ = std::move(setter); }

    // Shows the dialog modally on the tab with that caption; returns when it has closed.
    void openOn(const QString& tab);

    QTabWidget* tabs() const { return tabs_; }
    QList<PrefsPage*> pages() const { return pages_; }
    PrefsLocationsPage* locationsPage() const { return locations_; }
    PrefsEmailPage* emailPage() const { return email_; }
    PrefsTriggersPage* triggersPage() const { return triggers_; }
    PrefsListsPage* listsPage() const { return lists_; }
    PrefsDownloadPage* downloadPage() const { return download_; }
    PrefsAccountsPage* accountsPage() const { return accounts_; }
    PrefsProxyPage* proxyPage() const { return proxy_; }

    // What the controls hold now.
    PrefsValues values() const;

  signals:
    // "Auto-backup enabled" was clicked: the main window's command follows the new state.
    void autoBackupChanged(bool state);
    // The close steps have run.
    void closed();

  public slots:
    void done(int result) override;

  private:
    void runCloseSteps();
    void postPending(const QString& table);
    void reloadTable(const QString& table);

    Session& session_;
    PrefsClose::SetInterval setInterval_;
    QTabWidget* tabs_ = nullptr;
    QList<PrefsPage*> pages_;
    PrefsLocationsPage* locations_ = nullptr;
    PrefsEmailPage* email_ = nullptr;
    PrefsTriggersPage* triggers_ = nullptr;
    PrefsListsPage* lists_ = nullptr;
    PrefsDownloadPage* download_ = nullptr;
    PrefsAccountsPage* accounts_ = nullptr;
    PrefsProxyPage* proxy_ = nullptr;
    bool closing_ = false;
};

} // namespace pelmora
