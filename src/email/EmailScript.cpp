#include "email/EmailScript.h"

#include "common/Error.h"
#include "database/DataModule.h"
#include "email/EmailComposer.h"
#include "email/PasteData.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace pelmora
{

QVariantMap EmailScript::order(const QString& shopperId)
{
    bool ok = false;
    const qlonglong number = shopperId.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("\"%1\" is not an order number").arg(shopperId));
    QSqlQuery query = data_.select(QStringLiteral("SELECT * FROM Orders WHERE ShopperID = ? ORDER BY id"), {number});
    if (!query.next())
        throw Error(QStringLiteral("There is no order %1").arg(number));
    QVariantMap order;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        order.insert(record.fieldName(i), query.isNull(i) ? QVariant() : query.value(i));
    return order;
}

QString EmailScript::email(const QString& shopperId, const QString& templateName, const QString& message, bool send)
{
    const QVariantMap found = order(shopperId);
    EmailComposer composer(data_, port_, service_, root_);
    composer.setOrderSource([&found]() -> std::optional<QVariantMap> { return found; });
    if (!templateName.isEmpty() && !composer.chooseTemplate(templateName))
        throw Error(QStringLiteral("There is no template named \"%1\"").arg(templateName));
    composer.fields().additionalMessage = message;
    composer.rebuild();
    if (send && composer.send() == EmailComposer::SendOutcome::NoSender)
        throw Error(EmailComposer::kNoSenderMessage.trimmed() +
                    QStringLiteral(" (the sender address is on the E-mail page of the preferences)"));
    return composer.html();
}

QString EmailScript::paste(const QString& shopperId)
{
    return PasteData::fill(order(shopperId), root_);
}

} // namespace pelmora
