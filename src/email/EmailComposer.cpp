#include "email/EmailComposer.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "common/Root.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "email/HtmlText.h"
#include "email/RelayRequest.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryFile>

namespace pelmora
{

namespace
{
const QString kInvoiceEmail = QStringLiteral("Invoice_email");

bool storedFlag(const QVariant& value)
{
    if (value.isNull())
        return false;
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    return text.toLongLong() != 0;
}
} // namespace

EmailComposer::EmailComposer(DataModule& data, UserPort& port, const ServiceSettings& service, const Root& root)
    : data_(data), port_(port), service_(service), root_(root), deadlineMs_(RelayRequest::kDeadlineMs)
{
}

QList<EmailTemplate> EmailComposer::templates() const
{
    QList<EmailTemplate> rows;
    QSqlQuery query =
        data_.select(QStringLiteral("SELECT TemplateName, TemplateAddress FROM Templates ORDER BY rowid"));
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toString()});
    return rows;
}

std::optional<EmailTemplate> EmailComposer::currentTemplate(const QList<EmailTemplate>& rows) const
{
    for (const EmailTemplate& row : rows)
        if (!chosen_.isNull() && row.name == chosen_)
            return row;
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QString EmailComposer::templateName() const
{
    const std::optional<EmailTemplate> current = currentTemplate(templates());
    return current ? current->name : QString();
}

bool EmailComposer::chooseTemplate(const QString& name)
{
    for (const EmailTemplate& row : templates()) {
        if (row.name == name) {
            chosen_ = name;
            return true;
        }
    }
    return false;
}

void EmailComposer::setToFromOrder()
{
    Guard(kRefreshSuffix, [&] {
        const std::optional<QVariantMap> order = order_ ? order_() : std::nullopt;
        if (!order)
            return;
        const auto it = order->constFind(kInvoiceEmail);
        if (it == order->constEnd())
            throw Error(QStringLiteral("Field '%1' not found").arg(kInvoiceEmail));
        fields_.to = it->isNull() ? QString() : it->toString();
    });
}

QString EmailComposer::previewFile() const
{
    return root_.file(QStringLiteral("tmp/tmp.html"));
}

void EmailComposer::writePreviewFile(const QByteArray& bytes) const
{
    // Written whole beside the old file and then put in its place, so that the file is always
    // one complete page. It is a scratch copy for the browser, so it is not forced to disk,
    // and the old one goes first: a new name costs the file system nothing, while replacing a
    // file's contents has it write them out at once.
    const QString path = previewFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    const auto fail = [&](const QString& reason) {
        throw Error(QStringLiteral("Cannot write the preview file \"%1\". %2").arg(path, reason));
    };
    if (!file.open() ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                             QFileDevice::ReadOther) ||
        file.write(bytes) != bytes.size() || !file.flush())
        fail(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(file.errorString());
    QFile old(path);
    if (old.exists() && !old.remove())
        fail(old.errorString());
    file.setAutoRemove(false);
    if (!file.rename(path)) {
        const QString reason = file.errorString();
        file.remove();
        fail(reason);
    }
}

bool EmailComposer::rebuild()
{
    const std::optional<QVariantMap> order = order_ ? order_() : std::nullopt;
    if (!order)
        return false;
    setToFromOrder();

    const std::optional<EmailTemplate> chosen = currentTemplate(templates());
    if (!chosen)
        throw Error(QStringLiteral("No e-mail template is set up (Preferences, Lists)"));
    EmailExpansion expansion(data_, root_);
    const QString page = expansion.pageTemplatePath(chosen->address);

    // Everything is made aside first, so that a failure leaves the message as it was.
    MessageFields fields = fields_;
    const QString html = expansion.expand(page, *order, fields).text;
    const TemplateText preview = expansion.expand(page, *order, fields);

    writePreviewFile(TemplateText::encodeHtml(preview.text, preview.encoding) + "\r\n");

    html_ = html;
    text_ = HtmlToPlainText(html_);
    preview_ = preview.text;
    fields_.subject = fields.subject;
    fields_.cc = fields.cc;
    return true;
}

EmailComposer::SendOutcome EmailComposer::send()
{
    QSqlQuery sender = data_.select(QStringLiteral("SELECT \"From\", Plaintext FROM Email ORDER BY rowid"));
    const bool hasRow = sender.next();
    const QString from = hasRow ? sender.value(0).toString() : QString();
    const bool plainText = hasRow && storedFlag(sender.value(1));
    sender.finish();
    // The address shipped in the database, or none at all, means e-mail has not been set up.
    if (from == Schema::kPlaceholderSender || from.trimmed().isEmpty())
        return SendOutcome::NoSender;

    RelayMessage message;
    message.to = fields_.to;
    message.cc = fields_.cc;
    message.subject = fields_.subject;
    message.from = from.trimmed();
    message.textBody = text_;
    message.htmlBody = plainText ? QString() : html_;
    {
        BusyCursor busy(port_);
        RelayRequest::send(service_.relayHost(), message, deadlineMs_);
    }
    LogError(QStringLiteral("E-mail sent to ") + message.to + QStringLiteral(": ") + message.subject);
    port_.setStatus(QStringLiteral("E-mail sent to ") + message.to);
    return SendOutcome::Sent;
}

} // namespace pelmora
