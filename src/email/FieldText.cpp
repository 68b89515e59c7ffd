#include "email/FieldText.h"

#include "common/Error.h"
#include "common/ErrorLog.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pelmora
{

namespace
{

double number(const QVariant& value)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok || !std::isfinite(n))
        throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(value.toString()));
    return n;
}

// The value as it would be written with 15 significant digits.
double significant15(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return std::strtod(buffer, nullptr);
}

QString general(double value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

} // namespace

QString FieldText::shortDate(const QDate& date)
{
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString FieldText::longTime(const QTime& time)
{
    return LongTimeText(time);
}

QString FieldText::date(const QVariant& value)
{
    if (value.isNull())
        return {};
    QDate date = value.typeId() == QMetaType::QDate ? value.toDate() : QDate();
    if (!date.isValid())
        date = QDate::fromString(value.toString().left(10), Qt::ISODate);
    if (!date.isValid())
        throw Error(QStringLiteral("'%1' is not a valid date").arg(value.toString()));
    return shortDate(date);
}

QString FieldText::time(const QVariant& value)
{
    if (value.isNull())
        return {};
    QTime time = value.typeId() == QMetaType::QTime ? value.toTime() : QTime();
    if (!time.isValid())
        time = QTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!time.isValid())
        time = QTime::fromString(value.toString(), Qt::ISODate);
    if (!time.isValid())
        throw Error(QStringLiteral("'%1' is not a valid time").arg(value.toString()));
    return longTime(time);
}

QString FieldText::text(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return general(number(value));
    case QMetaType::QDate:
        return date(value);
    case QMetaType::QTime:
        return time(value);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

QString FieldText::money(const QVariant& value)
{
    if (value.isNull())
        throw Error(QStringLiteral("The field has no value"));
    return QLocale().toString(significant15(number(value)), 'f', 2);
}

} // namespace pelmora
