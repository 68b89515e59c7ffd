#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

namespace pelmora
{

// How the email tags and the paste data write a field's value, in the user's regional
// format (QLocale(), the default locale).
class FieldText
{
  public:
    // The standard conversion: text as stored, a number in its shortest general form, a date in
    // the short date format, a time in the long time format; no value gives empty text.
    // Throws Error when the value cannot be converted.
    static QString text(const QVariant& value);
    // A stored date (yyyy-MM-dd) or time (HH:mm:ss) in the regional format.
    static QString date(const QVariant& value);
    static QString time(const QVariant& value);
    // Two decimals with thousands grouping, at 15 significant digits (1234.5 is "1,234.50"
    // under English settings). Throws Error when there is no value or it is not a number.
    static QString money(const QVariant& value);

    static QString shortDate(const QDate& date);
    static QString longTime(const QTime& time);
};

} // namespace pelmora
