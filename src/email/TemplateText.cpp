#include "email/TemplateText.h"

#include "common/Windows1252.h"
#include "email/TagScanner.h"

#include <QFile>
#include <QStringDecoder>

namespace pelmora
{

TemplateText TemplateText::read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TemplateError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TemplateError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return decode(bytes);
}

TemplateText TemplateText::decode(const QByteArray& bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        return {QString::fromUtf8(bytes.constData() + bom.size(), bytes.size() - bom.size()), TextEncoding::Utf8};
    if (Windows1252::isAscii(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
        return {QString::fromLatin1(bytes), TextEncoding::Utf8};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {std::move(text), TextEncoding::Utf8};
    return {Windows1252::toUnicode(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))),
            TextEncoding::Windows1252};
}

QStringList TemplateText::readLines(const QString& path)
{
    const QString text = read(path).text;
    QStringList lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(begin, i - begin);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        begin = i + 1;
    }
    if (begin < text.size())
        lines << text.mid(begin);
    return lines;
}

QByteArray TemplateText::encodeHtml(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const int byte = Windows1252::byteOf(c.unicode());
        if (byte >= 0) {
            bytes.append(static_cast<char>(byte));
            continue;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text[++i]);
        bytes += "&#" + QByteArray::number(static_cast<uint>(code)) + ';';
    }
    return bytes;
}

QByteArray TemplateText::windows1252(const QString& text)
{
    return Windows1252::fromUnicode(text);
}

} // namespace pelmora
