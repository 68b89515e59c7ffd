#include "export/Markup.h"

namespace pelmora::markup
{

void appendEscaped(QByteArray& out, QByteArrayView text, QByteArrayView lineBreak)
{
    const char* data = text.data();
    const qsizetype size = text.size();
    qsizetype plain = 0; // start of the run not yet copied
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'')
            continue;
        out.append(data + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\t':
            out += '\t';
            break;
        case '\r':
        case '\n':
            if (lineBreak.isEmpty()) {
                out += char(c);
            } else {
                out.append(lineBreak.data(), lineBreak.size());
                if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
                    plain = ++i + 1;
            }
            break;
        default:
            break; // not allowed in XML: dropped
        }
    }
    out.append(data + plain, size - plain);
}

QByteArray elementName(const QString& name)
{
    QString result;
    for (const QChar c : name)
        result += (c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.') ? c : QChar(u'_');
    if (result.isEmpty() || !(result[0].isLetter() || result[0] == u'_'))
        result.prepend(u'_');
    return result.toUtf8();
}

} // namespace pelmora::markup
