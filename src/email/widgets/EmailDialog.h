#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;
class QTextBrowser;
class QToolBar;

namespace pelmora
{

class EmailComposer;
class ServiceSettings;
class UserPort;

// "Sending email...": the fields, the template choice, the preview and the commands "Refresh",
// "Send", "Help" and "Close" over an EmailComposer. Created once, hidden, and reused: the
// fields and the template choice carry over from one opening to the next. The message is
// rebuilt when the dialog is shown, whenever it is activated again, when the template changes
// and on "Refresh".
class EmailDialog : public QDialog
{
    Q_OBJECT
  public:
    static inline const QString kCaption = QStringLiteral("Sending email...");
    static inline const QString kPreferencesTab = QStringLiteral("E-mail");

    EmailDialog(EmailComposer& composer, UserPort& port, const ServiceSettings& service, QWidget* parent = nullptr);
    ~EmailDialog() override;

    // Shows the dialog modally for the current order; returns when it has closed.
    void openModal();
    // Chooses the template by name (a status trigger does); rebuilds when shown. False, and
    // the choice unchanged, when no template has that name.
    bool chooseTemplate(const QString& name);

    // Rebuilds the message; errors reach ApplicationError and the status bar.
    void rebuild();
    // Sends the last rebuilt message; closes the dialog when the relay took it.
    void send();

    QLineEdit* toEdit() const { return to_; }
    QLineEdit* ccEdit() const { return cc_; }
    QLineEdit* subjectEdit() const { return subject_; }
    QPlainTextEdit* messageEdit() const { return message_; }
    QComboBox* templateBox() const { return templates_; }
    QTextBrowser* preview() const { return preview_; }
    QStatusBar* statusBar() const { return status_; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void buildToolbar(QToolBar* bar);
    QWidget* buildFields();
    void fillTemplateBox();
    void templateChosen(int index);
    void collectFields();
    void showFields();
    void showPreview(const QString& html);
    void showPreviewMenu(const QPoint& at);
    void showStatus(const QString& text);

    EmailComposer& composer_;
    UserPort& port_;
    const ServiceSettings& service_;
    QLineEdit* to_ = nullptr;
    QLineEdit* cc_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* message_ = nullptr;
    QComboBox* templates_ = nullptr;
    QTextBrowser* preview_ = nullptr;
    QStatusBar* status_ = nullptr;
    bool rebuildOnActivation_ = false;
    bool filling_ = false;
};

} // namespace pelmora
