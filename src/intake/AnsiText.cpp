#include "intake/AnsiText.h"

#include "common/Error.h"
#include "common/Windows1252.h"

namespace pelmora
{

bool AnsiText::isAscii(std::string_view bytes)
{
    return Windows1252::isAscii(bytes);
}

void AnsiText::appendUtf8(std::string& out, std::string_view ansi)
{
    for (const char c : ansi) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
            continue;
        }
        const char16_t u = Windows1252::charOf(byte).unicode();
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
    return Windows1252::toUnicode(ansi);
}

QByteArray AnsiText::fromUnicodeStrict(const QString& text, const QString& what, bool quoteText)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = Windows1252::byteOf(text[i].unicode());
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

} // namespace pelmora
