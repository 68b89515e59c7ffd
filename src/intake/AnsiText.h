#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace pelmora
{

// The download file and the administration token are 8-bit ANSI text. Pelmora reads and
// writes them as Windows-1252 (Latin-1 with the printable characters of 0x80-0x9F; the five
// unassigned bytes map to the control characters of the same number).
class AnsiText
{
  public:
    // Appends the UTF-8 form of the Windows-1252 bytes to out.
    static void appendUtf8(std::string& out, std::string_view ansi);
    static QString toUnicode(std::string_view ansi);
    // The Windows-1252 bytes of text; throws Error naming what (e.g. "The account name") and
    // the first character that Windows-1252 lacks, so nothing is sent mangled.
    static QByteArray fromUnicodeStrict(const QString& text, const QString& what, bool quoteText = true);
    // Whether every byte is below 0x80 (no conversion needed).
    static bool isAscii(std::string_view bytes);
};

} // namespace pelmora
