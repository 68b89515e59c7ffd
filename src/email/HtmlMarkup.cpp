#include "email/HtmlMarkup.h"

namespace pelmora
{

namespace
{

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

} // namespace

qsizetype TagEnd(QStringView html, qsizetype p)
{
    char16_t quote = 0;
    for (; p < html.size(); ++p) {
        const char16_t c = html[p].unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return p;
        }
    }
    return p;
}

std::optional<HtmlTag> ReadHtmlTag(QStringView html, qsizetype pos)
{
    HtmlTag tag;
    tag.begin = pos;
    if (html.sliced(pos).startsWith(u"<!--")) {
        const qsizetype end = html.indexOf(u"-->", pos + 4);
        tag.comment = true;
        tag.end = end < 0 ? html.size() : end + 3;
        return tag;
    }
    qsizetype p = pos + 1;
    tag.closing = p < html.size() && html[p] == u'/';
    if (tag.closing)
        ++p;
    const qsizetype nameBegin = p;
    while (p < html.size() && (html[p].isLetterOrNumber() || html[p] == u'!' || html[p] == u'?'))
        ++p;
    if (p == nameBegin && !tag.closing)
        return std::nullopt;
    tag.name = html.sliced(nameBegin, p - nameBegin).toString().toLower();
    const qsizetype end = TagEnd(html, p);
    tag.attributes = html.sliced(p, end - p);
    tag.end = end < html.size() ? end + 1 : end;
    return tag;
}

bool IsSkippedElement(QStringView name)
{
    return name == u"head" || name == u"style" || name == u"script" || name == u"title";
}

qsizetype HtmlRawTextEnd(QStringView html, qsizetype pos, QStringView name)
{
    const QString close = QStringLiteral("</") + name;
    const qsizetype at = html.indexOf(close, pos, Qt::CaseInsensitive);
    if (at < 0)
        return html.size();
    const qsizetype end = TagEnd(html, at + close.size());
    return end < html.size() ? end + 1 : end;
}

QList<std::pair<QString, QString>> HtmlAttributes(QStringView attributes)
{
    QList<std::pair<QString, QString>> list;
    qsizetype p = 0;
    const qsizetype size = attributes.size();
    while (p < size) {
        while (p < size && (isSpace(attributes[p]) || attributes[p] == u'/'))
            ++p;
        const qsizetype nameBegin = p;
        while (p < size && !isSpace(attributes[p]) && attributes[p] != u'=' && attributes[p] != u'/')
            ++p;
        if (p == nameBegin)
            break;
        QString name = attributes.sliced(nameBegin, p - nameBegin).toString().toLower();
        while (p < size && isSpace(attributes[p]))
            ++p;
        QString value;
        if (p < size && attributes[p] == u'=') {
            ++p;
            while (p < size && isSpace(attributes[p]))
                ++p;
            if (p < size && (attributes[p] == u'"' || attributes[p] == u'\'')) {
                const QChar quote = attributes[p];
                const qsizetype close = attributes.indexOf(quote, p + 1);
                const qsizetype end = close < 0 ? size : close;
                value = attributes.sliced(p + 1, end - p - 1).toString();
                p = close < 0 ? size : close + 1;
            } else {
                const qsizetype valueBegin = p;
                while (p < size && !isSpace(attributes[p]))
                    ++p;
                value = attributes.sliced(valueBegin, p - valueBegin).toString();
            }
        }
        list.append({std::move(name), std::move(value)});
    }
    return list;
}

QList<std::pair<QString, QString>> CssDeclarations(QStringView style)
{
    QList<std::pair<QString, QString>> list;
    for (const QStringView declaration : style.tokenize(u';')) {
        const qsizetype colon = declaration.indexOf(u':');
        if (colon < 0) {
            if (!declaration.trimmed().isEmpty())
                list.append({declaration.trimmed().toString().toLower(), QString()});
            continue;
        }
        list.append({declaration.first(colon).trimmed().toString().toLower(),
                     declaration.sliced(colon + 1).trimmed().toString()});
    }
    return list;
}

} // namespace pelmora
