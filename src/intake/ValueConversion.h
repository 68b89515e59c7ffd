#pragma once

#include "database/Schema.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <string_view>

namespace pelmora
{

// A field of the download file converted for its column.
struct ImportValue {
    enum class Kind { Null, Integer, Float, Text };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    // Kind::Text for dates and times: the stored form (yyyy-MM-dd, HH:mm:ss[.zzz]).
    char stored[16] = {};
    int storedLength = 0;
    // Kind::Text for strings and memos: the field itself (bytes of the file).
    std::string_view text;
};

// The value rules of the download file. Numbers use "." whatever the locale; texts that
// break a rule throw Error "<text> is not a valid floating point number" or
// "<text> is not a valid date time".
class ValueConversion
{
  public:
    // Optional sign, digits, optional "." and digits, optional exponent ("E" or "e" and an
    // integer). No blanks, no thousands separators.
    static double toFloat(std::string_view text);
    // The same syntax, rounded to the nearest integer (a half to the even neighbour) and
    // clamped to +-2147483647.
    static qint32 toInteger(std::string_view text);
    // "True" and "Ja" (exactly so) are true, any other text false.
    static bool toBoolean(std::string_view text);
    // A date (d.m.y, m/d/y or y-m-d), optionally "_" or one blank and a time; a time later
    // than 12:00:00.000 moves it to the next day.
    static QDate toDate(std::string_view text);
    // A time alone (it must hold ":"), or a date, "_" or one blank, and a time. 24:00:00
    // reads as midnight.
    static QTime toTime(std::string_view text);

    // Converts a field for a column of the given type; an empty field is null.
    static void convert(ColumnType type, std::string_view text, ImportValue& value);

    static QString dateText(const QDate& date);
    static QString timeText(const QTime& time);
};

} // namespace pelmora
