#include "intake/AnsiText.h"

#include "common/Error.h"

#include <cstdint>
#include <cstring>

namespace pelmora
{

namespace
{
// Windows-1252 at 0x80-0x9F; the unassigned bytes keep their own number.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t codePoint(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char16_t(byte);
}
} // namespace

bool AnsiText::isAscii(std::string_view bytes)
{
    // Eight bytes at a time: any high bit set means a byte above 0x7F.
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (const char c : bytes.substr(i))
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void AnsiText::appendUtf8(std::string& out, std::string_view ansi)
{
    for (const char c : ansi) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
            continue;
        }
        const char16_t u = codePoint(byte);
        if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
}

QString AnsiText::toUnicode(std::string_view ansi)
{
    QString text(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
    QChar* data = text.data();
    for (size_t i = 0; i < ansi.size(); ++i)
        data[i] = QChar(codePoint(static_cast<unsigned char>(ansi[i])));
    return text;
}

namespace
{
// The Windows-1252 byte of a UTF-16 unit, or -1.
int ansiByte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return -1;
}
} // namespace

QByteArray AnsiText::fromUnicodeStrict(const QString& text, const QString& what, bool quoteText)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = ansiByte(text[i].unicode());
        if (byte >= 0) {
            bytes.append(static_cast<char>(byte));
            continue;
        }
        // A character beyond UTF-16's first plane comes as two units: name it whole.
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        const char32_t code = length == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        QString message = what;
        if (quoteText)
            message += QStringLiteral(" \"%1\"").arg(toolkit::quotedValue(text));
        message += QStringLiteral(" holds the character \"%1\" (U+%2), which the cart service cannot receive: it "
                                  "reads Western European (Windows-1252) text only. Change it in the preferences' "
                                  "User accounts.")
                       .arg(character, QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')));
        throw Error(message);
    }
    return bytes;
}

QByteArray AnsiText::fromUnicode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            bytes.append(static_cast<char>(u));
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u)
                byte = static_cast<char>(0x80 + i);
        bytes.append(byte);
    }
    return bytes;
}

} // namespace pelmora
