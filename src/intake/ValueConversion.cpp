#include "intake/ValueConversion.h"

#include "common/Error.h"
#include "intake/AnsiText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace pelmora
{

namespace
{

constexpr qint64 kMsPerDay = 86400000;
constexpr qint64 kNoon = 43200000;

// A failing value as a message quotes it: a damaged megabyte is cut short.
QString shown(std::string_view text)
{
    const size_t limit = toolkit::kQuotedValueLimit;
    if (text.size() <= limit)
        return toolkit::quotedValue(AnsiText::toUnicode(text));
    return toolkit::quotedValue(AnsiText::toUnicode(text.substr(0, limit))) +
           QStringLiteral("... (%1 characters)").arg(text.size());
}

[[noreturn]] void notANumber(std::string_view text)
{
    throw Error(shown(text) + QStringLiteral(" is not a valid floating point number"));
}

[[noreturn]] void notADateTime(std::string_view text)
{
    throw Error(shown(text) + QStringLiteral(" is not a valid date time"));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a run of at least one digit at pos; false when there is none. Long runs saturate.
bool readDigits(std::string_view text, size_t& pos, qint64& value, int* count = nullptr)
{
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (value < 1000000000)
            value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (count)
        *count = static_cast<int>(pos - start);
    return pos > start;
}

struct Ymd {
    int year;
    int month;
    int day;
};

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysIn(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

Ymd nextDay(Ymd d)
{
    if (++d.day > daysIn(d.year, d.month)) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

std::optional<Ymd> parseDate(std::string_view text)
{
    char separator = '-';
    if (text.find('.') != std::string_view::npos)
        separator = '.';
    else if (text.find('/') != std::string_view::npos)
        separator = '/';
    qint64 parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != separator)
                return std::nullopt;
            ++pos;
        }
        if (!readDigits(text, pos, parts[i], &digits[i]))
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    qint64 day = 0, month = 0, year = 0;
    int yearDigits = 0;
    if (separator == '.') {
        day = parts[0], month = parts[1], year = parts[2], yearDigits = digits[2];
    } else if (separator == '/') {
        month = parts[0], day = parts[1], year = parts[2], yearDigits = digits[2];
    } else {
        year = parts[0], month = parts[1], day = parts[2], yearDigits = digits[0];
    }
    if (yearDigits <= 2)
        year += year < 30 ? 2000 : 1900;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysIn(static_cast<int>(year), static_cast<int>(month)))
        return std::nullopt;
    return Ymd{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

bool endsWithNoCase(std::string_view text, std::string_view tail)
{
    if (text.size() < tail.size())
        return false;
    const std::string_view end = text.substr(text.size() - tail.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if ((end[i] | 0x20) != (tail[i] | 0x20))
            return false;
    return true;
}

// Milliseconds since midnight; 24:00:00 gives a whole day.
std::optional<qint64> parseTime(std::string_view text)
{
    int meridiem = 0; // 1 AM, 2 PM
    if (endsWithNoCase(text, " am"))
        meridiem = 1;
    else if (endsWithNoCase(text, " pm"))
        meridiem = 2;
    if (meridiem)
        text.remove_suffix(3);
    size_t pos = 0;
    qint64 h = 0, m = 0, s = 0, ms = 0;
    if (!readDigits(text, pos, h))
        return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!readDigits(text, pos, m))
            return std::nullopt;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!readDigits(text, pos, s))
                return std::nullopt;
            if (pos < text.size() && text[pos] == '.') {
                ++pos;
                if (!readDigits(text, pos, ms))
                    return std::nullopt;
            }
        }
    }
    if (pos != text.size() || m >= 60 || s >= 60 || ms >= 1000)
        return std::nullopt;
    if (meridiem) {
        if (h < 1 || h > 12)
            return std::nullopt;
        h = h % 12 + (meridiem == 2 ? 12 : 0);
    } else if (h >= 24 && !(h == 24 && m == 0 && s == 0 && ms == 0)) {
        return std::nullopt;
    }
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

// Where a date ends and its time begins ("_" or one blank), or npos.
size_t dateTimeSeparator(std::string_view text)
{
    return text.find_first_of("_ ");
}

} // namespace

double ValueConversion::toFloat(std::string_view text)
{
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    size_t digits = 0;
    while (pos < text.size() && isDigit(text[pos]))
        ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos]))
            ++pos, ++digits;
    }
    if (digits == 0)
        notANumber(text);
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        size_t exponentDigits = 0;
        while (pos < text.size() && isDigit(text[pos]))
            ++pos, ++exponentDigits;
        if (exponentDigits == 0)
            notANumber(text);
    }
    if (pos != text.size())
        notANumber(text);
    std::string_view number = text;
    if (number.front() == '+')
        number.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range && end == number.data() + number.size()) {
        // Too small to tell from zero (1E-400) is zero; too large is no number.
        const std::string copy(number);
        value = std::strtod(copy.c_str(), nullptr);
        if (std::isfinite(value))
            return value;
    }
    if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        notANumber(text);
    return value;
}

qint32 ValueConversion::toInteger(std::string_view text)
{
    const double value = std::nearbyint(toFloat(text)); // to nearest, a half to even
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483647.0)
        return -2147483647;
    return static_cast<qint32>(value);
}

bool ValueConversion::toBoolean(std::string_view text)
{
    return text == "True" || text == "Ja";
}

namespace
{
Ymd dateOf(std::string_view text)
{
    const size_t split = dateTimeSeparator(text);
    if (split == std::string_view::npos) {
        if (text.find(':') != std::string_view::npos)
            notADateTime(text);
        const auto date = parseDate(text);
        if (!date)
            notADateTime(text);
        return *date;
    }
    const auto date = parseDate(text.substr(0, split));
    const auto time = parseTime(text.substr(split + 1));
    if (!date || !time)
        notADateTime(text);
    // The stored date is the date and time rounded to the nearest day.
    const Ymd result = *time > kNoon ? nextDay(*date) : *date;
    if (result.year > 9999)
        notADateTime(text);
    return result;
}

// Milliseconds since midnight.
qint64 timeOf(std::string_view text)
{
    const size_t split = dateTimeSeparator(text);
    if (split == std::string_view::npos) {
        if (text.find(':') == std::string_view::npos)
            notADateTime(text);
        const auto time = parseTime(text);
        if (!time)
            notADateTime(text);
        return *time % kMsPerDay;
    }
    const auto date = parseDate(text.substr(0, split));
    const auto time = parseTime(text.substr(split + 1));
    if (!date || !time)
        notADateTime(text);
    return *time % kMsPerDay;
}
} // namespace

QDate ValueConversion::toDate(std::string_view text)
{
    const Ymd d = dateOf(text);
    return QDate(d.year, d.month, d.day);
}

QTime ValueConversion::toTime(std::string_view text)
{
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(timeOf(text)));
}

namespace
{
void digits(char* out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

int writeDate(char* out, const Ymd& d)
{
    digits(out, d.year, 4);
    out[4] = '-';
    digits(out + 5, d.month, 2);
    out[7] = '-';
    digits(out + 8, d.day, 2);
    return 10;
}

int writeTime(char* out, qint64 ms)
{
    const int msec = static_cast<int>(ms % 1000);
    const int seconds = static_cast<int>(ms / 1000);
    digits(out, seconds / 3600, 2);
    out[2] = ':';
    digits(out + 3, seconds / 60 % 60, 2);
    out[5] = ':';
    digits(out + 6, seconds % 60, 2);
    if (msec == 0)
        return 8;
    out[8] = '.';
    digits(out + 9, msec, 3);
    return 12;
}
} // namespace

QString ValueConversion::dateText(const QDate& date)
{
    char buffer[16];
    return QString::fromLatin1(buffer, writeDate(buffer, Ymd{date.year(), date.month(), date.day()}));
}

QString ValueConversion::timeText(const QTime& time)
{
    char buffer[16];
    return QString::fromLatin1(buffer, writeTime(buffer, time.msecsSinceStartOfDay()));
}

void ValueConversion::convert(ColumnType type, std::string_view text, ImportValue& value)
{
    using Kind = ImportValue::Kind;
    switch (type) {
    case ColumnType::String:
    case ColumnType::Memo:
    case ColumnType::Blob:
        value.kind = Kind::Text;
        value.text = text;
        value.storedLength = 0;
        return;
    default:
        break;
    }
    if (text.empty()) {
        value.kind = Kind::Null;
        return;
    }
    switch (type) {
    case ColumnType::Integer:
    case ColumnType::AutoInc:
        value.kind = Kind::Integer;
        value.integer = toInteger(text);
        return;
    case ColumnType::Float:
        value.kind = Kind::Float;
        value.real = toFloat(text);
        return;
    case ColumnType::Boolean:
        value.kind = Kind::Integer;
        value.integer = toBoolean(text) ? 1 : 0;
        return;
    case ColumnType::Date:
        value.kind = Kind::Text;
        value.storedLength = writeDate(value.stored, dateOf(text));
        value.text = std::string_view(value.stored, static_cast<size_t>(value.storedLength));
        return;
    case ColumnType::Time:
        value.kind = Kind::Text;
        value.storedLength = writeTime(value.stored, timeOf(text));
        value.text = std::string_view(value.stored, static_cast<size_t>(value.storedLength));
        return;
    default:
        value.kind = Kind::Text;
        value.text = text;
        return;
    }
}

} // namespace pelmora
