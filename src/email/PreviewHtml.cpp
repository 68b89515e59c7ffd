#include "email/PreviewHtml.h"

#include "email/HtmlMarkup.h"

#include <QList>
#include <algorithm>
#include <array>
#include <optional>

namespace pelmora
{

namespace
{

using Attributes = QList<std::pair<QString, QString>>;

struct Cell {
    HtmlTag open;
    HtmlTag close;
    QList<int> tables; // the tables directly inside
    bool otherContent = false;
};

struct Table {
    HtmlTag open;
    HtmlTag close;
    int parent = -1; // the table around it
    int rows = 0;
    int cells = 0;
    bool plain = true; // no caption, head, foot or column groups
    Cell first;
};

QString valueOf(const Attributes& list, QStringView name)
{
    for (const auto& [key, value] : list)
        if (key == name)
            return value;
    return {};
}

bool isBlank(QStringView text)
{
    for (const QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

// The tables of a page with their first cells, or nothing when its table markup is not well
// formed (a cell or row left open, text between rows).
class TableMap
{
  public:
    explicit TableMap(QStringView html) : html_(html) {}

    bool read()
    {
        qsizetype pos = 0;
        while (pos < html_.size()) {
            const qsizetype lt = html_.indexOf(u'<', pos);
            const qsizetype textEnd = lt < 0 ? html_.size() : lt;
            if (!text(html_.sliced(pos, textEnd - pos)))
                return false;
            if (lt < 0)
                break;
            const std::optional<HtmlTag> tag = ReadHtmlTag(html_, lt);
            if (!tag) {
                if (!text(u"<"))
                    return false;
                pos = lt + 1;
                continue;
            }
            pos = tag->end;
            if (tag->comment)
                continue;
            if (!tag->closing && (tag->name == u"style" || tag->name == u"script")) {
                pos = HtmlRawTextEnd(html_, pos, tag->name);
                if (!text(u"<"))
                    return false;
                continue;
            }
            if (!this->tag(*tag))
                return false;
        }
        return open_.isEmpty();
    }

    const QList<Table>& tables() const { return tables_; }
    const Attributes& body() const { return body_; }

  private:
    struct Open {
        int table;
        bool inRow = false;
        bool inCell = false;
    };

    bool text(QStringView text)
    {
        if (open_.isEmpty() || isBlank(text))
            return true;
        if (!open_.last().inCell)
            return false;
        content();
        return true;
    }

    void content()
    {
        Table& table = tables_[open_.last().table];
        if (table.cells == 1)
            table.first.otherContent = true;
    }

    bool tag(const HtmlTag& tag)
    {
        const QString& name = tag.name;
        if (name == u"body" && !tag.closing)
            body_ = HtmlAttributes(tag.attributes);
        if (name == u"table")
            return tag.closing ? closeTable(tag) : openTable(tag);
        if (open_.isEmpty())
            return true;
        Open& top = open_.last();
        Table& table = tables_[top.table];
        if (name == u"tr") {
            if (top.inCell || top.inRow == !tag.closing)
                return false;
            top.inRow = !tag.closing;
            table.rows += tag.closing ? 0 : 1;
            return true;
        }
        if (name == u"td" || name == u"th") {
            if (!top.inRow || top.inCell == !tag.closing)
                return false;
            top.inCell = !tag.closing;
            if (!tag.closing && ++table.cells == 1)
                table.first.open = tag;
            else if (tag.closing && table.cells == 1)
                table.first.close = tag;
            return true;
        }
        if (!top.inCell) {
            if (name == u"tbody")
                return !top.inRow;
            if (name == u"thead" || name == u"tfoot" || name == u"caption" || name == u"colgroup" || name == u"col") {
                table.plain = false;
                return !top.inRow;
            }
            return false;
        }
        content();
        return true;
    }

    bool openTable(const HtmlTag& tag)
    {
        Table table;
        table.open = tag;
        if (!open_.isEmpty()) {
            Open& top = open_.last();
            if (!top.inCell)
                return false;
            table.parent = top.table;
            Table& parent = tables_[top.table];
            if (parent.cells == 1)
                parent.first.tables.append(int(tables_.size()));
        }
        tables_.append(table);
        open_.append(Open{int(tables_.size()) - 1});
        return true;
    }

    bool closeTable(const HtmlTag& tag)
    {
        if (open_.isEmpty() || open_.last().inRow)
            return false;
        tables_[open_.last().table].close = tag;
        open_.removeLast();
        return true;
    }

    QStringView html_;
    QList<Table> tables_;
    QList<Open> open_;
    Attributes body_;
};

// A length in pixels ("24px", "24" or "0"); nothing for any other unit.
std::optional<int> pixels(QStringView value)
{
    QStringView number = value.trimmed();
    if (number.endsWith(u"px", Qt::CaseInsensitive))
        number.chop(2);
    bool ok = false;
    const int px = number.toInt(&ok);
    return ok && px >= 0 ? std::optional<int>(px) : std::nullopt;
}

bool isFullWidth(QStringView value)
{
    return value.isEmpty() || value.trimmed() == u"100%";
}

bool isAlignment(QStringView value)
{
    return value == u"left" || value == u"center" || value == u"right";
}

// What unwrapping a wrapper gives its table: margins (top, right, bottom, left) and alignment.
struct Wrapping {
    std::array<int, 4> margins{0, 0, 0, 0};
    QString align;
    bool ok = true;

    void background(const QString& colour, const QString& page, bool topLevel)
    {
        if (!colour.isEmpty() && !(topLevel && colour.compare(page, Qt::CaseInsensitive) == 0))
            ok = false;
    }

    void padding(QStringView value)
    {
        QList<int> sides;
        for (const QStringView part : value.tokenize(u' ', Qt::SkipEmptyParts)) {
            const std::optional<int> px = pixels(part);
            if (!px) {
                ok = false;
                return;
            }
            sides.append(*px);
        }
        if (sides.isEmpty() || sides.size() > 4) {
            ok = false;
            return;
        }
        // CSS order: top, right, bottom, left; missing sides repeat their opposite.
        margins[0] = sides[0];
        margins[1] = sides.value(1, margins[0]);
        margins[2] = sides.value(2, margins[0]);
        margins[3] = sides.value(3, margins[1]);
    }

    void side(int index, QStringView value)
    {
        const std::optional<int> px = pixels(value);
        if (px)
            margins[index] = *px;
        else
            ok = false;
    }
};

QString pageBackground(const Attributes& body)
{
    QString colour = valueOf(body, u"bgcolor");
    for (const auto& [name, value] : CssDeclarations(valueOf(body, u"style")))
        if (name == u"background-color" || name == u"background")
            colour = value;
    return colour;
}

// The wrapper's own table tag: nothing but width, spacing and a background the page has too.
void readWrapperTable(const Attributes& attributes, const QString& page, bool topLevel, Wrapping& w)
{
    for (const auto& [name, value] : attributes) {
        if (name == u"width") {
            w.ok = w.ok && isFullWidth(value);
        } else if (name == u"border" || name == u"cellspacing") {
            w.ok = w.ok && (value.isEmpty() || value == u"0");
        } else if (name == u"cellpadding") {
            w.padding(value);
        } else if (name == u"align") {
            if (isAlignment(value.toLower()))
                w.align = value.toLower();
        } else if (name == u"bgcolor") {
            w.background(value, page, topLevel);
        } else if (name == u"style") {
            for (const auto& [property, css] : CssDeclarations(value)) {
                if (property == u"background-color" || property == u"background")
                    w.background(css, page, topLevel);
                else if (property == u"width")
                    w.ok = w.ok && isFullWidth(css);
                else if (property == u"border" || property == u"border-spacing")
                    w.ok = w.ok && (css == u"0" || css == u"none" || css == u"0px");
                else if (property != u"border-collapse" && !property.startsWith(u"mso-"))
                    w.ok = false;
            }
        } else if (name != u"role" && name != u"id" && name != u"summary") {
            w.ok = false;
        }
    }
}

// The wrapper's cell: padding, alignment and a background the page has too.
void readWrapperCell(const Attributes& attributes, const QString& page, bool topLevel, Wrapping& w)
{
    static const QString sides[] = {QStringLiteral("padding-top"), QStringLiteral("padding-right"),
                                    QStringLiteral("padding-bottom"), QStringLiteral("padding-left")};
    for (const auto& [name, value] : attributes) {
        if (name == u"align") {
            if (isAlignment(value.toLower()))
                w.align = value.toLower();
        } else if (name == u"bgcolor") {
            w.background(value, page, topLevel);
        } else if (name == u"width") {
            w.ok = w.ok && isFullWidth(value);
        } else if (name == u"style") {
            for (const auto& [property, css] : CssDeclarations(value)) {
                const auto side = std::find(std::begin(sides), std::end(sides), property);
                if (property == u"padding")
                    w.padding(css);
                else if (side != std::end(sides))
                    w.side(int(side - std::begin(sides)), css);
                else if (property == u"background-color" || property == u"background")
                    w.background(css, page, topLevel);
                else if (property == u"text-align")
                    w.align = isAlignment(css.toLower()) ? css.toLower() : w.align;
                else if (property == u"width")
                    w.ok = w.ok && isFullWidth(css);
                else if (property != u"vertical-align" && !property.startsWith(u"mso-"))
                    w.ok = false;
            }
        } else if (name != u"valign" && name != u"id") {
            w.ok = false;
        }
    }
}

QString quoted(const QString& value)
{
    QString text = value;
    text.replace(u'"', QStringLiteral("&quot;"));
    return u'"' + text + u'"';
}

// The table's tag with the wrapper's margins and alignment; nothing when it has margins of its
// own.
std::optional<QString> wrappedTableTag(const Attributes& attributes, const Wrapping& w)
{
    QString tag = QStringLiteral("<table");
    QString style;
    bool aligned = false;
    bool fixedWidth = false;
    for (const auto& [name, value] : attributes) {
        if (name == u"style") {
            for (const auto& [property, css] : CssDeclarations(value)) {
                if (property.startsWith(u"margin"))
                    return std::nullopt;
                if (property == u"width" && !css.endsWith(u'%'))
                    fixedWidth = true;
            }
            style = value;
            continue;
        }
        if (name == u"align")
            aligned = true;
        if (name == u"width" && !value.endsWith(u'%'))
            fixedWidth = true;
        tag += u' ' + name + u'=' + quoted(value);
    }
    if (!aligned && !w.align.isEmpty())
        tag += QStringLiteral(" align=") + quoted(w.align);
    // A table of a fixed width keeps it; the wrapper's side padding only mattered where the
    // page was narrower than the table.
    const std::array<int, 4>& m = w.margins;
    if (!style.isEmpty() && !style.trimmed().endsWith(u';'))
        style += u';';
    style += QStringLiteral(" margin-top:%1px; margin-bottom:%2px;").arg(m[0]).arg(m[2]);
    if (!fixedWidth)
        style += QStringLiteral(" margin-left:%1px; margin-right:%2px;").arg(m[3]).arg(m[1]);
    return tag + QStringLiteral(" style=") + quoted(style.trimmed()) + u'>';
}

struct Edit {
    qsizetype begin;
    qsizetype end;
    QString text;
};

} // namespace

QString PreviewHtml(QStringView html)
{
    TableMap map(html);
    if (!map.read())
        return html.toString();
    const QList<Table>& tables = map.tables();
    const QString page = pageBackground(map.body());

    const auto isWrapper = [&](const Table& t) {
        return t.plain && t.rows == 1 && t.cells == 1 && t.first.tables.size() == 1 && !t.first.otherContent;
    };
    QList<Edit> edits;
    for (const Table& wrapper : tables) {
        if (!isWrapper(wrapper))
            continue;
        const Table& inner = tables[wrapper.first.tables.first()];
        // Of wrappers around wrappers only the innermost goes.
        if (isWrapper(inner))
            continue;
        Wrapping w;
        const bool topLevel = wrapper.parent < 0;
        readWrapperTable(HtmlAttributes(wrapper.open.attributes), page, topLevel, w);
        readWrapperCell(HtmlAttributes(wrapper.first.open.attributes), page, topLevel, w);
        if (!w.ok)
            continue;
        const std::optional<QString> tag = wrappedTableTag(HtmlAttributes(inner.open.attributes), w);
        if (!tag)
            continue;
        edits.append({wrapper.open.begin, wrapper.first.open.end, QString()});
        edits.append({inner.open.begin, inner.open.end, *tag});
        edits.append({wrapper.first.close.begin, wrapper.close.end, QString()});
    }
    if (edits.isEmpty())
        return html.toString();
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    QString out;
    out.reserve(html.size());
    qsizetype pos = 0;
    for (const Edit& edit : edits) {
        out += html.sliced(pos, edit.begin - pos);
        out += edit.text;
        pos = edit.end;
    }
    out += html.sliced(pos);
    return out;
}

} // namespace pelmora
