#include "email/HtmlText.h"

#include "email/HtmlMarkup.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace pelmora
{

namespace
{

const QHash<QString, char16_t>& namedEntities()
{
    static const QHash<QString, char16_t> entities{
        {QStringLiteral("amp"), u'&'},     {QStringLiteral("lt"), u'<'},      {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'},    {QStringLiteral("apos"), u'\''},   {QStringLiteral("nbsp"), u' '},
        {QStringLiteral("copy"), 0xA9},    {QStringLiteral("reg"), 0xAE},     {QStringLiteral("trade"), 0x2122},
        {QStringLiteral("euro"), 0x20AC},  {QStringLiteral("pound"), 0xA3},   {QStringLiteral("yen"), 0xA5},
        {QStringLiteral("cent"), 0xA2},    {QStringLiteral("sect"), 0xA7},    {QStringLiteral("deg"), 0xB0},
        {QStringLiteral("middot"), 0xB7},  {QStringLiteral("bull"), 0x2022},  {QStringLiteral("hellip"), 0x2026},
        {QStringLiteral("ndash"), 0x2013}, {QStringLiteral("mdash"), 0x2014}, {QStringLiteral("lsquo"), 0x2018},
        {QStringLiteral("rsquo"), 0x2019}, {QStringLiteral("ldquo"), 0x201C}, {QStringLiteral("rdquo"), 0x201D},
        {QStringLiteral("laquo"), 0xAB},   {QStringLiteral("raquo"), 0xBB},   {QStringLiteral("times"), 0xD7},
        {QStringLiteral("divide"), 0xF7},  {QStringLiteral("auml"), 0xE4},    {QStringLiteral("ouml"), 0xF6},
        {QStringLiteral("uuml"), 0xFC},    {QStringLiteral("Auml"), 0xC4},    {QStringLiteral("Ouml"), 0xD6},
        {QStringLiteral("Uuml"), 0xDC},    {QStringLiteral("szlig"), 0xDF},   {QStringLiteral("eacute"), 0xE9},
        {QStringLiteral("egrave"), 0xE8},  {QStringLiteral("ecirc"), 0xEA},   {QStringLiteral("aacute"), 0xE1},
        {QStringLiteral("agrave"), 0xE0},  {QStringLiteral("ccedil"), 0xE7},  {QStringLiteral("ntilde"), 0xF1},
        {QStringLiteral("oacute"), 0xF3},  {QStringLiteral("iacute"), 0xED},  {QStringLiteral("uacute"), 0xFA},
        {QStringLiteral("Eacute"), 0xC9},  {QStringLiteral("aring"), 0xE5},   {QStringLiteral("oslash"), 0xF8},
    };
    return entities;
}

// What an element does to the text around it.
enum class Break { None, Line, Paragraph, Cell };

Break breakOf(QStringView name)
{
    static const QHash<QString, Break> breaks{
        {QStringLiteral("br"), Break::Line},       {QStringLiteral("div"), Break::Line},
        {QStringLiteral("tr"), Break::Line},       {QStringLiteral("li"), Break::Line},
        {QStringLiteral("table"), Break::Line},    {QStringLiteral("ul"), Break::Line},
        {QStringLiteral("ol"), Break::Line},       {QStringLiteral("hr"), Break::Line},
        {QStringLiteral("dt"), Break::Line},       {QStringLiteral("dd"), Break::Line},
        {QStringLiteral("address"), Break::Line},  {QStringLiteral("center"), Break::Line},
        {QStringLiteral("p"), Break::Paragraph},   {QStringLiteral("h1"), Break::Paragraph},
        {QStringLiteral("h2"), Break::Paragraph},  {QStringLiteral("h3"), Break::Paragraph},
        {QStringLiteral("h4"), Break::Paragraph},  {QStringLiteral("h5"), Break::Paragraph},
        {QStringLiteral("h6"), Break::Paragraph},  {QStringLiteral("blockquote"), Break::Paragraph},
        {QStringLiteral("pre"), Break::Paragraph}, {QStringLiteral("td"), Break::Cell},
        {QStringLiteral("th"), Break::Cell},
    };
    return breaks.value(name.toString().toLower(), Break::None);
}

bool isDigit(QChar c, bool hex)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (hex && ((u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F')));
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

class Converter
{
  public:
    explicit Converter(QStringView html) : html_(html) {}

    QString run()
    {
        while (pos_ < html_.size()) {
            const QChar c = html_[pos_];
            if (c == u'<')
                markup();
            else if (c == u'&')
                entity();
            else
                character(c), ++pos_;
        }
        return finish();
    }

  private:
    void character(QChar c)
    {
        if (preDepth_ == 0 && isSpace(c)) {
            pendingSpace_ = true;
            return;
        }
        if (preDepth_ > 0 && (c == u'\r' || c == u'\n')) {
            if (c == u'\r' && pos_ + 1 < html_.size() && html_[pos_ + 1] == u'\n')
                ++pos_;
            newLine();
            return;
        }
        if (pendingSpace_ && !atLineStart() && line_.back() != u'\t')
            line_ += u' ';
        pendingSpace_ = false;
        line_ += c;
    }

    void entity()
    {
        const qsizetype semicolon = html_.indexOf(u';', pos_ + 1);
        if (semicolon > pos_ + 1 && semicolon - pos_ <= 12) {
            const QStringView name = html_.sliced(pos_ + 1, semicolon - pos_ - 1);
            char32_t code = 0;
            if (name.startsWith(u'#')) {
                bool ok = false;
                const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
                const QStringView digits = name.sliced(hex ? 2 : 1);
                // Digits only: the number conversion would stop at a NUL and take what
                // follows it as part of the reference.
                if (std::all_of(digits.begin(), digits.end(), [hex](QChar c) { return isDigit(c, hex); }))
                    code = digits.toUInt(&ok, hex ? 16 : 10);
                if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
                    code = 0;
            } else {
                code = namedEntities().value(name.toString(), 0);
            }
            if (code) {
                pos_ = semicolon + 1;
                if (code < 0x10000) {
                    character(QChar(static_cast<char16_t>(code)));
                } else {
                    const char32_t pair[1] = {code};
                    for (const QChar half : QString::fromUcs4(pair, 1))
                        character(half);
                }
                return;
            }
        }
        character(u'&');
        ++pos_;
    }

    void markup()
    {
        const std::optional<HtmlTag> tag = ReadHtmlTag(html_, pos_);
        if (!tag) {
            // A "<" that starts no markup is text.
            character(u'<');
            ++pos_;
            return;
        }
        pos_ = tag->end;
        if (tag->comment)
            return;
        if (!tag->closing && IsSkippedElement(tag->name)) {
            pos_ = HtmlRawTextEnd(html_, pos_, tag->name);
            return;
        }
        element(tag->name, tag->closing, tag->attributes);
    }

    void element(const QString& name, bool closing, QStringView attributes)
    {
        if (!closing && !attributes.endsWith(u'/') && isPreformatted(name, attributes)) {
            preElements_ << name;
            ++preDepth_;
        } else if (closing && preDepth_ > 0 && preElements_.last() == name) {
            preElements_.removeLast();
            --preDepth_;
        }
        switch (breakOf(name)) {
        case Break::None:
            return;
        case Break::Line:
            if (name == u"br" || !atLineStart())
                newLine();
            break;
        case Break::Paragraph:
            paragraph();
            break;
        case Break::Cell:
            if (!closing && !atLineStart())
                line_ += u'\t';
            break;
        }
        pendingSpace_ = false;
    }

    static bool isPreformatted(const QString& name, QStringView attributes)
    {
        if (name == u"pre" || name == u"textarea")
            return true;
        const qsizetype at = attributes.indexOf(u"white-space", 0, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        const qsizetype colon = attributes.indexOf(u':', at);
        return colon >= 0 && attributes.sliced(colon + 1).trimmed().startsWith(u"pre", Qt::CaseInsensitive);
    }

    bool atLineStart() const { return line_.isEmpty(); }

    void newLine()
    {
        lines_ << line_;
        line_.clear();
        pendingSpace_ = false;
    }

    void paragraph()
    {
        if (!atLineStart())
            newLine();
        if (!lines_.isEmpty() && !lines_.last().isEmpty())
            lines_ << QString();
    }

    QString finish()
    {
        if (!line_.isEmpty())
            newLine();
        QStringList out;
        int blanks = 0;
        for (QString& l : lines_) {
            while (!l.isEmpty() && (l.back() == u' ' || l.back() == u'\t'))
                l.chop(1);
            while (!l.isEmpty() && l.front() == u'\t')
                l.remove(0, 1);
            if (l.isEmpty()) {
                // At most one empty line in a row, none at the start.
                if (out.isEmpty() || ++blanks > 1)
                    continue;
            } else {
                blanks = 0;
            }
            out << l;
        }
        while (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out.isEmpty() ? QString() : out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    }

    QStringView html_;
    qsizetype pos_ = 0;
    QString line_;
    QStringList lines_;
    QStringList preElements_;
    int preDepth_ = 0;
    bool pendingSpace_ = false;
};

} // namespace

QString HtmlToPlainText(QStringView html)
{
    return Converter(html).run();
}

} // namespace pelmora
