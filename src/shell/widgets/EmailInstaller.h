#pragma once

#include <QObject>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace pelmora
{

class EmailComposer;
class EmailDialog;
class MainWindow;
class PasteDetailsWindow;
class StatusTriggers;
class WorkspaceView;

// Puts customer email into the main window: the email dialog and the "Paste details" window
// (both created hidden), "Send &e-mail", "Send e-mail" and the inspector's E-mail link, the
// trigger check after every post of the live orders, "Paste data" and "Auto-update Paste data".
class EmailInstaller : public QObject
{
    Q_OBJECT
  public:
    // Installs into window, whose workspace is in place; a child of the window.
    static EmailInstaller* install(MainWindow& window);
    ~EmailInstaller() override;

    EmailComposer& composer() const { return *composer_; }
    EmailDialog* dialog() const { return dialog_; }
    PasteDetailsWindow* pasteWindow() const { return paste_; }

    // The email dialog, modally, for the current order.
    void openEmailDialog();
    // Fills the paste-data window and the clipboard for the current live order; failures reach
    // ApplicationError and leave both as they were.
    void fillPasteData();

  private:
    EmailInstaller(MainWindow& window, WorkspaceView& view);
    void wireCommands();
    void afterOrdersPost(int row);
    // The status of several orders was set at once: their trigger's e-mails, in one dialog.
    void statusSet(const QList<qint64>& keys, const QString& status);
    // The current row of the live orders, also while the archive is shown. Throws Error.
    QVariantMap liveOrder();

    MainWindow& window_;
    WorkspaceView& view_;
    std::unique_ptr<EmailComposer> composer_;
    std::unique_ptr<StatusTriggers> triggers_;
    EmailDialog* dialog_ = nullptr;
    PasteDetailsWindow* paste_ = nullptr;
    QVariant liveKey_;
};

} // namespace pelmora
