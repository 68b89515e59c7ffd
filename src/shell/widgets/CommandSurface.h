#pragma once

#include <QAction>
#include <QComboBox>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QToolBar>

namespace pelmora
{

// The main menu and the four toolbars of the main window. Every command is a QAction with an
// objectName; a command whose operation is not offered yet is shown disabled.
class CommandSurface
{
  public:
    // Builds the menus and toolbars into window. homeAddress is the cart service's web address.
    CommandSurface(QMainWindow& window, const QString& homeAddress);

    QAction* action(const QString& objectName) const;
    QToolBar* toolbar(const QString& objectName) const;
    QComboBox* accountSelector() const { return accountSelector_; }

    // Object names of the commands, for wiring and tests.
    static inline const char* BackupNow = "actionBackupNow";
    static inline const char* RestoreLastBackup = "actionRestoreLastBackup";
    static inline const char* AutoBackup = "actionAutoBackup";
    static inline const char* ArchiveOrders = "actionArchiveOrders";
    static inline const char* ViewArchivedOrders = "actionViewArchivedOrders";
    static inline const char* ReloadCurrentOrders = "actionReloadCurrentOrders";
    static inline const char* Print = "actionPrint";
    static inline const char* Preferences = "actionPreferences";
    static inline const char* Exit = "actionExit";
    static inline const char* OpenReports = "actionOpenReports";
    static inline const char* SendEmail = "actionSendEmail";
    static inline const char* ExportOrders = "actionExportOrders";
    static inline const char* ExportItems = "actionExportItems";
    static inline const char* Download = "actionDownload";
    static inline const char* RepairTable = "actionRepairTable";
    static inline const char* RestoreDefaults = "actionRestoreDefaults";
    static inline const char* AutoUpdatePasteData = "actionAutoUpdatePasteData";
    static inline const char* ShowActions = "actionShowActions";
    static inline const char* ShowLayout = "actionShowLayout";
    static inline const char* ShowUsername = "actionShowUsername";
    static inline const char* ShowEmail = "actionShowEmail";
    static inline const char* Help = "actionHelp";
    static inline const char* WebSite = "actionWebSite";
    static inline const char* About = "actionAbout";
    // Toolbar buttons.
    static inline const char* DownloadButton = "actionDownloadButton";
    static inline const char* LoginToAdmin = "actionLoginToAdmin";
    static inline const char* Reset = "actionReset";
    static inline const char* Grouping = "actionGrouping";
    static inline const char* AutoSize = "actionAutoSize";
    static inline const char* Reports = "actionReports";
    static inline const char* ExportOrdersButton = "actionExportOrdersButton";
    static inline const char* ExportItemsButton = "actionExportItemsButton";
    static inline const char* PasteData = "actionPasteData";
    static inline const char* SendEmailButton = "actionSendEmailButton";
    // Toolbars.
    static inline const char* AccountBar = "toolbarSelectedUserAccount";
    static inline const char* LayoutBar = "toolbarLayout";
    static inline const char* ActionsBar = "toolbarActions";
    static inline const char* EmailBar = "toolbarEmail";

  private:
    QAction* add(QWidget* container, const char* name, const QString& caption, const QString& hint = {});

    QMainWindow& window_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QToolBar*> toolbars_;
    QComboBox* accountSelector_ = nullptr;
};

} // namespace pelmora
