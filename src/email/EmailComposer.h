#pragma once

#include "common/Root.h"
#include "email/EmailExpansion.h"
#include "email/TemplateText.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace pelmora
{

class DataModule;

class ServiceSettings;
class UserPort;

// A row of Templates.
struct EmailTemplate {
    QString name;
    QString address;
};

// The email dialog without its window: the fields, the template choice, the message of the
// last rebuild and its preview file, and sending it through the mail relay. The dialog and
// pelmora-cli both work through it.
class EmailComposer
{
  public:
    static inline const QString kNoSenderMessage =
        QStringLiteral("You have not setup your outgoing email  preferences. ");
    static inline const QString kRefreshSuffix = QStringLiteral(" method: ButttonRefresh");
    // The current order; nullopt when the order set has no rows.
    using OrderSource = std::function<std::optional<QVariantMap>()>;

    enum class SendOutcome { Sent, NoSender };

    // Files (templates, the preview) are named relative to root.
    EmailComposer(DataModule& data, UserPort& port, const ServiceSettings& service, const Root& root);

    void setOrderSource(OrderSource source) { order_ = std::move(source); }
    MessageFields& fields() { return fields_; }
    const MessageFields& fields() const { return fields_; }

    // The rows of Templates in table order. Throws Error.
    QList<EmailTemplate> templates() const;
    // The chosen template's name; the first row of Templates until one is chosen (or when the
    // chosen one is gone). Empty when there is none.
    QString templateName() const;
    // Chooses by name; false, and the choice unchanged, when no row has that name.
    bool chooseTemplate(const QString& name);

    // "To" := the current order's Invoice_email; a failure is logged with the refresh suffix.
    void setToFromOrder();
    // Rebuilds the message for the current order: "To", two expansions of the chosen template,
    // the preview file. Returns false, changing nothing, when there is no order. Throws Error on
    // a template that cannot be read or expanded or a preview file that cannot be written;
    // the message, preview, "Subject" and "Cc" then keep what they held.
    bool rebuild();

    const QString& html() const { return html_; }
    const QString& text() const { return text_; }
    const QString& preview() const { return preview_; }
    QString previewFile() const;

    // Sends the last rebuilt message to "To" with "Cc" and "Subject". NoSender (nothing sent)
    // while the sender address is the placeholder or empty. Throws Error with the reason when
    // the relay does not take the message; on success appends "E-mail sent to ...: ..." to the
    // error log and shows "E-mail sent to ..." in the status bar.
    SendOutcome send();
    void setRelayDeadlineMs(int milliseconds) { deadlineMs_ = milliseconds; }

  private:
    // Puts the bytes in the preview file whole; throws Error when they cannot be written.
    void writePreviewFile(const QByteArray& bytes) const;
    std::optional<EmailTemplate> currentTemplate(const QList<EmailTemplate>& rows) const;

    DataModule& data_;
    UserPort& port_;
    const ServiceSettings& service_;
    Root root_;
    OrderSource order_;
    MessageFields fields_;
    QString chosen_;
    QString html_;
    QString text_;
    QString preview_;
    int deadlineMs_;
};

} // namespace pelmora
