#include "workspace/OrderStyle.h"

namespace pelmora
{

std::optional<bool> OrderStyle::flag(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0.0;
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

OrderStyleKind OrderStyle::of(const QVariant& newFlag, const QVariant& status)
{
    const std::optional<bool> isNew = flag(newFlag);
    const bool hasStatus = status.isValid() && !status.isNull();
    const bool unpaid = hasStatus && status.toString() == kUnpaid;
    // Empty is equal to nothing and unequal to everything.
    const bool notUnpaid = !hasStatus || status.toString() != kUnpaid;
    OrderStyleKind kind = OrderStyleKind::Default;
    if (isNew == true && notUnpaid)
        kind = OrderStyleKind::NewOrder;
    if (isNew == true && unpaid)
        kind = OrderStyleKind::NewAndUnpaid;
    if (isNew == false && unpaid)
        kind = OrderStyleKind::Unpaid;
    return kind;
}

} // namespace pelmora
