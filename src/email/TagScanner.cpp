#include "email/TagScanner.h"

#include "common/Windows1252.h"
#include "email/HtmlMarkup.h"

namespace pelmora
{

namespace
{

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

// The token at pos: a name, or else the single character there. Returns its end.
qsizetype tokenEnd(QStringView text, qsizetype pos)
{
    if (pos >= text.size())
        return pos;
    if (!isNameStart(text[pos]))
        return pos + 1;
    qsizetype end = pos + 1;
    while (end < text.size() && isNameChar(text[end]))
        ++end;
    return end;
}

qsizetype skipBlanks(QStringView text, qsizetype pos)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return pos;
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\r' || c == u'\n';
}

// Deletes quotes from the end backwards: the first one met opens a pair that the next one of
// the same kind closes; quotes of the other kind inside a pair stay.
QString stripQuotes(QString param)
{
    char16_t open = 0;
    for (qsizetype i = param.size() - 1; i >= 0; --i) {
        const char16_t c = param[i].unicode();
        if (c != '"' && c != '\'')
            continue;
        if (!open) {
            open = c;
            param.remove(i, 1);
        } else if (c == open) {
            open = 0;
            param.remove(i, 1);
        }
    }
    return param;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// "+" to a blank, "%%" to "%", "%XX" to the character with that code (Windows-1252, the
// character set of the cart service).
QString decode(const QString& param)
{
    if (!param.contains(u'+') && !param.contains(u'%'))
        return param;
    QString out;
    out.reserve(param.size());
    for (qsizetype i = 0; i < param.size(); ++i) {
        const QChar c = param[i];
        if (c == u'+') {
            out += u' ';
            continue;
        }
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i + 1 < param.size() && param[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        const int high = i + 1 < param.size() ? hexValue(param[i + 1]) : -1;
        const int low = i + 2 < param.size() ? hexValue(param[i + 2]) : -1;
        if (high < 0 || low < 0)
            throw TemplateError(QStringLiteral("Malformed percent escape \"%1\" in the tag parameter \"%2\"")
                                    .arg(param.mid(i, 3), param));
        out += Windows1252::charOf(static_cast<unsigned char>(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace

TagKind TagKindOf(QStringView name)
{
    static const struct {
        QStringView name;
        TagKind kind;
    } reserved[] = {{u"LINK", TagKind::tgLink},         {u"IMAGE", TagKind::tgImage},   {u"TABLE", TagKind::tgTable},
                    {u"IMAGEMAP", TagKind::tgImageMap}, {u"OBJECT", TagKind::tgObject}, {u"EMBED", TagKind::tgEmbed}};
    if (name.size() < 4 || name.size() > 8)
        return TagKind::tgCustom;
    for (const auto& r : reserved)
        if (name.compare(r.name, Qt::CaseInsensitive) == 0)
            return r.kind;
    return TagKind::tgCustom;
}

QStringList SplitTagParams(QStringView text)
{
    QStringList params;
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        while (pos < size && isSeparator(text[pos]))
            ++pos;
        if (pos >= size)
            break;
        QString param;
        if (text[pos] == u'"') {
            // A leading quote and its partner are not part of the parameter, which ends there.
            const qsizetype close = text.indexOf(u'"', pos + 1);
            const qsizetype end = close < 0 ? size : close;
            param = text.sliced(pos + 1, end - pos - 1).toString();
            pos = close < 0 ? size : close + 1;
        } else {
            const qsizetype begin = pos;
            bool quoted = false;
            while (pos < size && (quoted || !isSeparator(text[pos]))) {
                if (text[pos] == u'"')
                    quoted = !quoted;
                ++pos;
            }
            param = text.sliced(begin, pos - begin).toString();
        }
        params << decode(stripQuotes(std::move(param)));
    }
    return params;
}

QString TagParamValue(const QStringList& params, QStringView name)
{
    for (const QString& param : params) {
        const qsizetype equals = param.indexOf(u'=');
        const QStringView key = equals < 0 ? QStringView(param) : QStringView(param).left(equals);
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return equals < 0 ? QString() : param.mid(equals + 1);
    }
    return {};
}

QString ScanTemplate(QStringView text, const TagResolver& resolve)
{
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size) {
        const qsizetype lt = text.indexOf(u'<', pos);
        if (lt < 0) {
            out += text.sliced(pos);
            break;
        }
        out += text.sliced(pos, lt - pos);
        qsizetype next = skipBlanks(text, lt + 1);
        if (next >= size || text[next] != u'#') {
            // Not a tag: "<" and the next token, without the blanks between them.
            const qsizetype end = tokenEnd(text, next);
            out += u'<';
            out += text.sliced(next, end - next);
            pos = end;
            continue;
        }
        const qsizetype nameBegin = skipBlanks(text, next + 1);
        const qsizetype nameEnd = tokenEnd(text, nameBegin);
        const qsizetype close = TagEnd(text, nameEnd);
        TemplateTag tag;
        tag.TagString = text.sliced(nameBegin, nameEnd - nameBegin).toString();
        tag.kind = TagKindOf(tag.TagString);
        const QStringView params = trimmed(text.sliced(nameEnd, close - nameEnd));
        if (!params.isEmpty())
            tag.TagParams = SplitTagParams(params);
        out += resolve(tag);
        pos = close + 1;
    }
    return out;
}

} // namespace pelmora
