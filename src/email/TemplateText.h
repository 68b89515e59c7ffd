#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pelmora
{

// The character set a template file was read in; its expansion is written back in the same.
enum class TextEncoding { Utf8, Windows1252 };

// A text file of the merchant's (an email template, the data template): valid UTF-8 (or
// UTF-8 with a byte-order mark) reads as UTF-8, anything else as Windows-1252, the character
// set of the cart service.
struct TemplateText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;

    // Reads the file anew. Throws TemplateError when it cannot be read.
    static TemplateText read(const QString& path);
    static TemplateText decode(const QByteArray& bytes);
    // The file as lines, split at CR LF, LF or CR; a final line end adds no empty line.
    static QStringList readLines(const QString& path);

    // Text in the encoding; in Windows-1252 a character it lacks becomes a numeric character
    // reference (&#NNNN;), as HTML allows.
    static QByteArray encodeHtml(const QString& text, TextEncoding encoding);
    // Text as Windows-1252; a character it lacks becomes "?".
    static QByteArray windows1252(const QString& text);
};

} // namespace pelmora
