#pragma once

#include "common/UserPort.h"
#include "shell/Session.h"
#include "shell/widgets/CommandSurface.h"
#include "toolkit/LayoutStore.h"

#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <functional>
#include <memory>

class QPushButton;

namespace pelmora
{

class ArchiveDialog;

inline const QString kApplicationTitle = QStringLiteral("Pelmora 4+");
inline const QString kWelcome = QStringLiteral("Welcome to Pelmora!");
inline const QString kDefaultsRestored = QStringLiteral("Pelmora has been restored to its default settings. ");

class IntakeInstaller;
class WorkspaceView;

// The main window: it assembles the command surface, the inspector, grid and items areas and
// the status bar, and wires each command to its operation. It is the session's UserPort for as
// long as it lives.
class MainWindow : public QMainWindow, public UserPort
{
    Q_OBJECT
  public:
    // Assembles the window over session (which must outlive it) and runs the start-up steps:
    // folders, configuration (with the start-up backup), layout, database.
    explicit MainWindow(Session& session);
    ~MainWindow() override;

    Session& session() { return session_; }
    CommandSurface& commands() { return *commands_; }
    toolkit::LayoutStore& layoutStore() { return layout_; }
    // The parts the installers put in.
    WorkspaceView& workspaceView() { return *workspace_; }
    IntakeInstaller& intake() { return *intake_; }

    // The three areas the workspace fills.
    void setInspectorWidget(QWidget* widget);
    void setGridWidget(QWidget* widget);
    void setItemsWidget(QWidget* widget);

    // Who opens the preferences dialog (set once the dialog exists).
    void setPreferencesOpener(std::function<void(const QString& tab)> opener) { openPreferences_ = std::move(opener); }

    // UserPort.
    void setStatus(const QString& text) override;
    QString status() const override;
    void setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow) override;
    void withdrawStatusLink() override;
    void information(const QString& text) override;
    void warning(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirmWarning(const QString& text) override;
    void openPreferences(const QString& tab) override;
    void openUrl(const QUrl& url) override;
    void setClipboard(const QString& text) override;
    void setBusy(bool busy) override;

    // Runs a command; whatever escapes it goes to ApplicationError.
    void run(const std::function<void()>& command);

    // Saves the settings and the layout and disconnects the database: what closing does.
    void FormClose();
    void LoadGridLayout();
    void SaveGridLayout();
    // Makes the window visible, sets StartedUp and greets the merchant.
    void finishStartup();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct ToolbarToggle;

    void buildAreas();
    void buildStatusBar();
    void registerLayout();
    void wireCommands();
    // The start-up steps after the window is assembled.
    void start();
    // Opens the database named by the settings (ResetDB).
    void openDatabase();
    QString layoutFile(const QString& name) const;
    void backupNow();
    void restoreLastBackup();
    void autoBackupToggled(bool checked);
    void reloadCurrentOrders();
    void archiveOrders();
    void viewArchivedOrders();
    void restoreDefaults();
    void toggleToolbar(const ToolbarToggle& toggle);
    void exitNow();

    Session& session_;
    std::unique_ptr<CommandSurface> commands_;
    toolkit::LayoutStore layout_;
    QLabel* statusPanel_ = nullptr;
    // The link right after the status text, and what it runs.
    QPushButton* statusLink_ = nullptr;
    std::function<void()> followStatusLink_;
    QSplitter* mainSplitter_ = nullptr;
    QSplitter* rightSplitter_ = nullptr;
    QWidget* inspectorArea_ = nullptr;
    QWidget* gridArea_ = nullptr;
    QWidget* itemsArea_ = nullptr;
    WorkspaceView* workspace_ = nullptr;
    std::function<void(const QString&)> openPreferences_;
    ArchiveDialog* archiveDialog_ = nullptr;
    int busyDepth_ = 0;
    bool exiting_ = false;
    // Last, so it goes first: it hands its callbacks back to the window and the preferences,
    // which must still be whole.
    std::unique_ptr<IntakeInstaller> intake_;
};

} // namespace pelmora
