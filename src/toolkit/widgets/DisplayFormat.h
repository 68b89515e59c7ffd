#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <QVariant>

namespace pelmora::toolkit
{

// Formatting and reading of the values a grid shows. Number formats follow the usual
// "positive;negative;zero" sections: ',' asks for thousands separators, '0' for a digit that
// is always shown, '#' for one shown only when needed, '.' for the decimal point; other
// characters ("(", ")", "$", ...) are written as they are. A negative section shows the
// absolute value. Separators come from the given locale.
namespace DisplayFormat
{

QString formatNumber(double value, const QString& format, const QLocale& locale = QLocale());

// Date and time from what a model holds: QDate/QDateTime/QTime, or ISO text
// ("yyyy-MM-dd", "HH:mm:ss", "HH:mm:ss.zzz"). An invalid result means none could be read.
QDate toDate(const QVariant& value);
QTime toTime(const QVariant& value);

// A boolean from 0/1, -1, true/false, "True"/"False", "Y"/"N"; null stays null.
QVariant toBool(const QVariant& value);

// The date format shown by default: the locale's short format with a four-digit year.
QString defaultDateFormat(const QLocale& locale = QLocale());
// The time format shown by default: the locale's format with seconds.
QString defaultTimeFormat(const QLocale& locale = QLocale());

// The value written back to a model, in the form the model gave (ISO text stays text).
QVariant dateForModel(const QDate& date, const QVariant& original);
QVariant timeForModel(const QTime& time, const QVariant& original);
QVariant boolForModel(bool on, const QVariant& original);

// True when the value counts as blank (null or empty text).
bool isBlank(const QVariant& value);

} // namespace DisplayFormat

} // namespace pelmora::toolkit
