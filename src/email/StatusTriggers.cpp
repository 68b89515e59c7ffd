#include "email/StatusTriggers.h"

#include "common/Guard.h"
#include "database/DataModule.h"

#include <QSqlQuery>

namespace pelmora
{

QString StatusTriggers::triggeredTemplate(const QVariant& status)
{
    QSqlQuery query =
        data_.select(QStringLiteral("Select * from Triggers where Status = ? AND Active=true ORDER BY rowid"),
                     {status.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(status.toString())});
    if (!query.next())
        return {};
    const QVariant name = query.value(QStringLiteral("Template"));
    return name.isNull() ? QStringLiteral("") : name.toString();
}

void StatusTriggers::afterOrdersPost(const QVariant& status, const OpenDialog& open)
{
    if (!statusChanged_)
        return;
    statusChanged_ = false;
    Guard(kSuffix, [&] {
        const QString name = triggeredTemplate(status);
        if (!name.isNull())
            open(name);
    });
    statusChanged_ = false;
}

} // namespace pelmora
