#include "email/TriggerMailing.h"

#include "common/Error.h"
#include "common/ErrorLog.h"
#include "database/DataModule.h"
#include "database/Schema.h"
#include "email/EmailComposer.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pelmora
{

namespace
{
const QString kSuffix = QStringLiteral(" method: status trigger e-mail");
} // namespace

TriggerMailing::TriggerMailing(DataModule& data, UserPort& port, const ServiceSettings& service, const Root& root,
                               const QString& templateName, const QList<qint64>& keys)
    : data_(data), port_(port), service_(service), root_(root), template_(templateName)
{
    QHash<qint64, QVariantMap> found;
    QStringList numbers;
    for (qint64 key : keys)
        numbers << QString::number(key);
    if (!numbers.isEmpty()) {
        QSqlQuery query =
            data_.select(QStringLiteral("SELECT * FROM Orders WHERE id IN (%1)").arg(numbers.join(QLatin1Char(','))));
        while (query.next()) {
            QVariantMap order;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                order.insert(record.fieldName(i), query.isNull(i) ? QVariant() : query.value(i));
            found.insert(order.value(QStringLiteral("id")).toLongLong(), order);
        }
    }
    for (qint64 key : keys) {
        const auto it = found.constFind(key);
        if (it == found.constEnd())
            continue;
        Recipient r;
        r.key = key;
        r.shopperId = it->value(QStringLiteral("ShopperID"));
        r.name = it->value(QStringLiteral("Invoice_name")).toString();
        r.email = it->value(QStringLiteral("Invoice_email")).toString();
        recipients_ << r;
        orders_ << *it;
    }
}

bool TriggerMailing::senderReady() const
{
    const QString from = data_.scalar(QStringLiteral("SELECT \"From\" FROM Email ORDER BY rowid LIMIT 1")).toString();
    return from != Schema::kPlaceholderSender && !from.trimmed().isEmpty();
}

bool TriggerMailing::send(int i)
{
    Recipient& r = recipients_[i];
    r.sent = false;
    r.failure.clear();
    try {
        if (r.email.trimmed().isEmpty())
            throw Error(kNoAddress);
        // A composer of its own for every order: nothing of one message carries into the next.
        EmailComposer composer(data_, port_, service_, root_);
        const QVariantMap order = orders_[i];
        composer.setOrderSource([order]() -> std::optional<QVariantMap> { return order; });
        if (!composer.chooseTemplate(template_))
            throw Error(QStringLiteral("There is no e-mail template \"%1\"").arg(template_));
        composer.rebuild();
        if (composer.send() == EmailComposer::SendOutcome::NoSender)
            throw Error(EmailComposer::kNoSenderMessage.trimmed());
        r.sent = true;
    } catch (const std::exception& e) {
        r.failure = QString::fromStdString(e.what());
        LogError(QStringLiteral("Order %1: %2").arg(r.shopperId.toString(), r.failure), kSuffix);
    }
    return r.sent;
}

int TriggerMailing::sentCount() const
{
    int n = 0;
    for (const Recipient& r : recipients_)
        n += r.sent ? 1 : 0;
    return n;
}

} // namespace pelmora
