#include "export/CellText.h"

#include <QDate>
#include <QTime>
#include <charconv>
#include <cmath>

namespace pelmora
{

namespace
{

int digits(QByteArrayView text, qsizetype from, int count, bool& ok)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = from + i < text.size() ? text[from + i] : 'x';
        if (c < '0' || c > '9') {
            ok = false;
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

void appendInt(QByteArray& out, int value, int width)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto n = result.ptr - buffer; n < width; ++n)
        out += '0';
    out.append(buffer, result.ptr - buffer);
}

QString withFourDigitYear(QString format)
{
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString withSeconds(QString format)
{
    if (!format.contains(u's')) {
        const auto minutes = format.indexOf(QLatin1String("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QLatin1String(":ss"));
    }
    return format;
}

} // namespace

CellText::CellText(const QLocale& locale, bool groupMoney)
    : locale_(locale), groupMoney_(groupMoney), dateFormat_(withFourDigitYear(locale.dateFormat(QLocale::ShortFormat))),
      timeFormat_(withSeconds(locale.timeFormat(QLocale::ShortFormat)))
{
    datePattern_ = compile(dateFormat_, dateFast_);
    timePattern_ = compile(timeFormat_, timeFast_);
    decimalPoint_ = locale.decimalPoint().toUtf8();
    groupSeparator_ = locale.groupSeparator().toUtf8();
    am_ = locale.amText().toUtf8();
    pm_ = locale.pmText().toUtf8();
}

std::vector<CellText::Token> CellText::compile(const QString& format, bool& supported)
{
    std::vector<Token> tokens;
    supported = true;
    qsizetype i = 0;
    auto literal = [&](const QString& text) {
        if (!tokens.empty() && tokens.back().kind == Token::Literal)
            tokens.back().literal += text.toUtf8();
        else
            tokens.push_back(Token{Token::Literal, text.toUtf8()});
    };
    while (i < format.size()) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'\'') {
            const auto end = format.indexOf(u'\'', i + 1);
            literal(end < 0 ? format.mid(i + 1) : format.mid(i + 1, end - i - 1));
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        Token::Kind kind = Token::Literal;
        bool known = true;
        if (c == u'd' && run <= 2)
            kind = run == 1 ? Token::Day : Token::Day2;
        else if (c == u'M' && run <= 2)
            kind = run == 1 ? Token::Month : Token::Month2;
        else if (c == u'y' && (run == 2 || run == 4))
            kind = run == 2 ? Token::Year2 : Token::Year4;
        else if (c == u'h' && run <= 2)
            kind = run == 1 ? Token::Hour12 : Token::Hour12_2;
        else if (c == u'H' && run <= 2)
            kind = run == 1 ? Token::Hour : Token::Hour2;
        else if (c == u'm' && run <= 2)
            kind = run == 1 ? Token::Minute : Token::Minute2;
        else if (c == u's' && run <= 2)
            kind = run == 1 ? Token::Second : Token::Second2;
        else if ((c == u'A' || c == u'a') && run == 1) {
            // "AP"/"ap" or a single "A"/"a".
            kind = c == u'A' ? Token::AmPmUpper : Token::AmPmLower;
            if (i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p'))
                run = 2;
        } else if (c.isLetter())
            known = false;
        if (!known) {
            supported = false;
            return {};
        }
        if (kind == Token::Literal)
            literal(format.mid(i, run));
        else
            tokens.push_back(Token{kind, {}});
        i += run;
    }
    // 12-hour hours without an AM/PM marker would need the locale's own rules.
    return tokens;
}

void CellText::appendDate(QByteArray& out, int year, int month, int day) const
{
    if (!dateFast_) {
        out += locale_.toString(QDate(year, month, day), dateFormat_).toUtf8();
        return;
    }
    for (const Token& t : datePattern_) {
        switch (t.kind) {
        case Token::Literal:
            out += t.literal;
            break;
        case Token::Day:
        case Token::Day2:
            appendInt(out, day, t.kind == Token::Day2 ? 2 : 1);
            break;
        case Token::Month:
        case Token::Month2:
            appendInt(out, month, t.kind == Token::Month2 ? 2 : 1);
            break;
        case Token::Year2:
            appendInt(out, year % 100, 2);
            break;
        case Token::Year4:
            appendInt(out, year, 4);
            break;
        default:
            break;
        }
    }
}

void CellText::appendTime(QByteArray& out, int hour, int minute, double second) const
{
    const int wholeSecond = int(second);
    if (!timeFast_) {
        out += locale_.toString(QTime(hour, minute, wholeSecond), timeFormat_).toUtf8();
        return;
    }
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    for (const Token& t : timePattern_) {
        switch (t.kind) {
        case Token::Literal:
            out += t.literal;
            break;
        case Token::Hour12:
        case Token::Hour12_2:
            appendInt(out, hour12, t.kind == Token::Hour12_2 ? 2 : 1);
            break;
        case Token::Hour:
        case Token::Hour2:
            appendInt(out, hour, t.kind == Token::Hour2 ? 2 : 1);
            break;
        case Token::Minute:
        case Token::Minute2:
            appendInt(out, minute, t.kind == Token::Minute2 ? 2 : 1);
            break;
        case Token::Second:
        case Token::Second2:
            appendInt(out, wholeSecond, t.kind == Token::Second2 ? 2 : 1);
            break;
        case Token::AmPmUpper:
            out += (hour < 12 ? am_ : pm_).toUpper();
            break;
        case Token::AmPmLower:
            out += (hour < 12 ? am_ : pm_).toLower();
            break;
        default:
            break;
        }
    }
}

void CellText::appendNumber(QByteArray& out, double value)
{
    // Plain digits, never 1e+06, for every value a shop has; the shortest that reads back.
    char buffer[400];
    const auto format = std::fabs(value) < 1e15 ? std::chars_format::fixed : std::chars_format::general;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    out.append(buffer, result.ptr - buffer);
}

void CellText::appendLocalNumber(QByteArray& out, double value) const
{
    const auto start = out.size();
    appendNumber(out, value);
    if (decimalPoint_ != ".") {
        const auto dot = out.indexOf('.', start);
        if (dot >= 0)
            out.replace(dot, 1, decimalPoint_);
    }
}

void CellText::appendMoney(QByteArray& out, double value) const
{
    char buffer[64];
    // Rounded to the cent first so that -0.001 does not show as "-0.00".
    double cents = std::round(value * 100.0) / 100.0;
    if (cents == 0.0)
        cents = 0.0;
    auto result = std::to_chars(buffer, buffer + sizeof buffer, cents, std::chars_format::fixed, 2);
    const char* begin = buffer;
    const char* end = result.ptr;
    if (*begin == '-') {
        out += '-';
        ++begin;
    }
    const char* dot = end - 3; // two decimals always
    const auto intDigits = dot - begin;
    for (auto i = 0; i < intDigits; ++i) {
        if (groupMoney_ && i > 0 && (intDigits - i) % 3 == 0)
            out += groupSeparator_;
        out += begin[i];
    }
    out += decimalPoint_;
    out.append(dot + 1, 2);
}

bool CellText::parseDate(QByteArrayView text, int& year, int& month, int& day)
{
    if (text.size() < 10 || text[4] != '-' || text[7] != '-')
        return false;
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T')
        return false;
    bool ok = true;
    year = digits(text, 0, 4, ok);
    month = digits(text, 5, 2, ok);
    day = digits(text, 8, 2, ok);
    return ok && QDate::isValid(year, month, day);
}

bool CellText::parseTime(QByteArrayView text, int& hour, int& minute, double& second)
{
    if (text.size() < 5 || text[2] != ':')
        return false;
    bool ok = true;
    hour = digits(text, 0, 2, ok);
    minute = digits(text, 3, 2, ok);
    second = 0.0;
    if (text.size() > 5) {
        if (text.size() < 8 || text[5] != ':')
            return false;
        second = digits(text, 6, 2, ok);
        if (text.size() > 8) {
            if (text[8] != '.')
                return false;
            const QByteArrayView fraction = text.sliced(9);
            int value = 0;
            int scale = 1;
            for (char c : fraction) {
                if (c < '0' || c > '9' || scale > 1000000)
                    return false;
                value = value * 10 + (c - '0');
                scale *= 10;
            }
            second += double(value) / scale;
        }
    }
    return ok && hour < 24 && minute < 60 && second < 60.0;
}

bool CellText::flagValue(const RowSource& source, int column, bool& ok)
{
    ok = true;
    if (source.isNumeric(column))
        return source.number(column) != 0.0;
    const QByteArrayView text = source.text(column);
    for (const char* yes : {"1", "-1", "true", "yes", "y"})
        if (text.compare(QByteArrayView(yes), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* no : {"0", "false", "no", "n"})
        if (text.compare(QByteArrayView(no), Qt::CaseInsensitive) == 0)
            return false;
    ok = false;
    return false;
}

void CellText::appendDisplay(QByteArray& out, const RowSource& source, int column, ExportType type) const
{
    if (source.isNull(column))
        return;
    switch (type) {
    case ExportType::Text:
        break;
    case ExportType::Integer:
    case ExportType::Number:
        if (source.isNumeric(column)) {
            appendLocalNumber(out, source.number(column));
            return;
        }
        break;
    case ExportType::Money:
        if (source.isNumeric(column)) {
            appendMoney(out, source.number(column));
            return;
        }
        break;
    case ExportType::Date: {
        int y, m, d;
        if (parseDate(source.text(column), y, m, d)) {
            appendDate(out, y, m, d);
            return;
        }
        break;
    }
    case ExportType::Time: {
        int h, m;
        double s;
        if (parseTime(source.text(column), h, m, s)) {
            appendTime(out, h, m, s);
            return;
        }
        break;
    }
    case ExportType::Boolean: {
        bool ok = false;
        const bool on = flagValue(source, column, ok);
        if (ok) {
            out += on ? "True" : "False";
            return;
        }
        break;
    }
    }
    const QByteArrayView text = source.text(column);
    out.append(text.data(), text.size());
}

QString CellText::display(const RowSource& source, int column, ExportType type) const
{
    if (type == ExportType::Text)
        return source.isNull(column) ? QString() : QString::fromUtf8(source.text(column));
    QByteArray bytes;
    appendDisplay(bytes, source, column, type);
    return QString::fromUtf8(bytes);
}

} // namespace pelmora
