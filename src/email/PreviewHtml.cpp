#include "email/PreviewHtml.h"

#include "email/HtmlMarkup.h"

#include <QHash>
#include <QList>
#include <QStringList>
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

struct Row {
    HtmlTag open;
    HtmlTag close;
    QList<Cell> cells;
};

struct Table {
    HtmlTag open;
    HtmlTag close;
    int parent = -1;    // the table around it
    bool plain = true;  // no caption, head, foot or column groups
    bool tbody = false; // rows inside a <tbody>
    QList<Row> rows;
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

// The tables of a page with their rows and cells, or nothing when its table markup is not well
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
            // Skipped as the plain text skips it: tables in the head are not the page's.
            if (!tag->closing && IsSkippedElement(tag->name)) {
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

    void content() { tables_[open_.last().table].rows.last().cells.last().otherContent = true; }

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
            if (tag.closing)
                table.rows.last().close = tag;
            else
                table.rows.append(Row{tag, {}, {}});
            return true;
        }
        if (name == u"td" || name == u"th") {
            if (!top.inRow || top.inCell == !tag.closing)
                return false;
            top.inCell = !tag.closing;
            if (tag.closing)
                table.rows.last().cells.last().close = tag;
            else
                table.rows.last().cells.append(Cell{tag, {}, {}, false});
            return true;
        }
        if (!top.inCell) {
            if (name == u"tbody") {
                table.tbody = true;
                return !top.inRow;
            }
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
            tables_[top.table].rows.last().cells.last().tables.append(int(tables_.size()));
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

// The background colour a tag gives itself, by attribute or style; empty when none.
QString backgroundOf(const Attributes& attributes)
{
    QString colour = valueOf(attributes, u"bgcolor");
    for (const auto& [property, css] : CssDeclarations(valueOf(attributes, u"style")))
        if (property == u"background-color" || property == u"background")
            colour = css;
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

// How a table's own tag is written anew: attributes replaced or added, style declarations
// dropped or added.
struct TagEdit {
    QList<std::pair<QString, QString>> attributes; // set (replacing one of the same name)
    QStringList dropStyle;                         // style properties left out
    QString addStyle;                              // declarations appended
};

bool isAttributeName(QStringView name)
{
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u':')
            return false;
    return !name.isEmpty();
}

QString rewrittenTag(QStringView name, const Attributes& attributes, const TagEdit& edit)
{
    QString tag = u'<' + name.toString();
    QString style;
    const auto replaced = [&](const QString& attribute) {
        for (const auto& [key, value] : edit.attributes)
            if (key == attribute)
                return true;
        return false;
    };
    for (const auto& [key, value] : attributes) {
        // A name that is not one (a stray quote in the tag) would end the tag elsewhere.
        if (!isAttributeName(key))
            continue;
        if (key == u"style") {
            for (const auto& [property, css] : CssDeclarations(value))
                if (!edit.dropStyle.contains(property))
                    style += property + u':' + css + u"; ";
            continue;
        }
        if (!replaced(key))
            tag += u' ' + key + u'=' + quoted(value);
    }
    for (const auto& [key, value] : edit.attributes)
        if (!value.isNull())
            tag += u' ' + key + u'=' + quoted(value);
    style += edit.addStyle;
    if (!style.trimmed().isEmpty())
        tag += QStringLiteral(" style=") + quoted(style.trimmed());
    return tag + u'>';
}

bool isFixedWidth(const Attributes& attributes)
{
    if (!valueOf(attributes, u"width").isEmpty() && !valueOf(attributes, u"width").endsWith(u'%'))
        return true;
    for (const auto& [property, css] : CssDeclarations(valueOf(attributes, u"style")))
        if (property == u"width" && !css.endsWith(u'%'))
            return true;
    return false;
}

bool hasMargins(const Attributes& attributes)
{
    for (const auto& [property, css] : CssDeclarations(valueOf(attributes, u"style")))
        if (property.startsWith(u"margin"))
            return true;
    return false;
}

// Where a table stands on the page once the wrapper around it is gone: its margins and
// alignment, with the top and bottom margins apart so that a table cut in pieces gives the
// top to its first piece and the bottom to its last.
struct Placement {
    bool moved = false;
    std::array<int, 4> margins{0, 0, 0, 0};
    QString align;

    TagEdit edit(bool top, bool bottom, const Attributes& attributes) const
    {
        TagEdit e;
        if (!moved)
            return e;
        if (!align.isEmpty() && valueOf(attributes, u"align").isEmpty())
            e.attributes.append({QStringLiteral("align"), align});
        e.addStyle = QStringLiteral("margin-top:%1px; margin-bottom:%2px;")
                         .arg(top ? margins[0] : 0)
                         .arg(bottom ? margins[2] : 0);
        // A table of a fixed width keeps it; the wrapper's side padding only mattered where
        // the page was narrower than the table.
        if (!isFixedWidth(attributes))
            e.addStyle += QStringLiteral(" margin-left:%1px; margin-right:%2px;").arg(margins[3]).arg(margins[1]);
        return e;
    }
};

// A cell's padding in pixels (top, right, bottom, left) from its style, or the table's
// cellpadding; nothing when it is given in another unit or not at all.
std::optional<std::array<int, 4>> cellPadding(const Attributes& cell, const Attributes& table)
{
    Wrapping w;
    bool given = false;
    if (const QString padding = valueOf(table, u"cellpadding"); !padding.isEmpty()) {
        w.padding(padding);
        given = true;
    }
    static const QString sides[] = {QStringLiteral("padding-top"), QStringLiteral("padding-right"),
                                    QStringLiteral("padding-bottom"), QStringLiteral("padding-left")};
    for (const auto& [property, css] : CssDeclarations(valueOf(cell, u"style"))) {
        const auto side = std::find(std::begin(sides), std::end(sides), property);
        if (property == u"padding")
            w.padding(css), given = true;
        else if (side != std::end(sides))
            w.side(int(side - std::begin(sides)), css), given = true;
    }
    return given && w.ok ? std::optional<std::array<int, 4>>(w.margins) : std::nullopt;
}

// A cell that only pads a table: nothing in it but the table, and nothing of its own that
// the table would show (a background, a border, text styles it inherits).
bool onlyPads(const Cell& cell)
{
    if (cell.tables.size() != 1 || cell.otherContent)
        return false;
    for (const auto& [name, value] : HtmlAttributes(cell.open.attributes)) {
        if (name == u"style") {
            for (const auto& [property, css] : CssDeclarations(value))
                if (!property.startsWith(u"padding") && property != u"vertical-align" && property != u"text-align")
                    return false;
        } else if (name != u"valign" && name != u"align") {
            return false;
        }
    }
    return true;
}

// A cell whose padding can grow by a neighbour's: no background and no border to move.
bool canGrow(const Cell& cell)
{
    const Attributes attributes = HtmlAttributes(cell.open.attributes);
    if (!valueOf(attributes, u"bgcolor").isEmpty() || !valueOf(attributes, u"background").isEmpty())
        return false;
    for (const auto& [property, css] : CssDeclarations(valueOf(attributes, u"style")))
        if (property.startsWith(u"background") || property.startsWith(u"border"))
            return false;
    return true;
}

struct Edit {
    qsizetype begin;
    qsizetype end;
    QString text;
};

class Preview
{
  public:
    explicit Preview(QStringView html) : html_(html), map_(html) {}

    QString run()
    {
        if (!map_.read())
            return html_.toString();
        placements_.resize(map_.tables().size());
        for (int t = 0; t < map_.tables().size(); ++t)
            unwrap(t);
        for (int t = 0; t < map_.tables().size(); ++t)
            if (!cut(t) && placements_[t].moved)
                retag(t);
        if (edits_.isEmpty())
            return html_.toString();
        std::sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
        QString out;
        out.reserve(html_.size() + html_.size() / 8);
        qsizetype pos = 0;
        for (const Edit& edit : edits_) {
            out += html_.sliced(pos, edit.begin - pos);
            out += edit.text;
            pos = edit.end;
        }
        out += html_.sliced(pos);
        return out;
    }

  private:
    const Table& table(int t) const { return map_.tables()[t]; }

    bool isWrapper(const Table& t) const
    {
        return t.plain && t.rows.size() == 1 && t.rows[0].cells.size() == 1 && t.rows[0].cells[0].tables.size() == 1 &&
               !t.rows[0].cells[0].otherContent;
    }

    // A table that stands on the page itself once its wrapper is gone.
    bool onPage(int t) const
    {
        const int parent = table(t).parent;
        return parent < 0 || (placements_[t].moved && table(parent).parent < 0);
    }

    void unwrap(int t)
    {
        const Table& wrapper = table(t);
        if (!isWrapper(wrapper))
            return;
        const Cell& cell = wrapper.rows[0].cells[0];
        const int innerIndex = cell.tables.first();
        const Table& inner = table(innerIndex);
        // Of wrappers around wrappers only the innermost goes.
        if (isWrapper(inner) || hasMargins(HtmlAttributes(inner.open.attributes)))
            return;
        Wrapping w;
        const QString page = backgroundOf(map_.body());
        const bool topLevel = wrapper.parent < 0;
        readWrapperTable(HtmlAttributes(wrapper.open.attributes), page, topLevel, w);
        readWrapperCell(HtmlAttributes(cell.open.attributes), page, topLevel, w);
        if (!w.ok)
            return;
        placements_[innerIndex] = Placement{true, w.margins, w.align};
        edits_.append({wrapper.open.begin, cell.open.end, QString()});
        edits_.append({cell.close.begin, wrapper.close.end, QString()});
    }

    void retag(int t)
    {
        const Attributes attributes = HtmlAttributes(table(t).open.attributes);
        edits_.append({table(t).open.begin, table(t).open.end,
                       rewrittenTag(u"table", attributes, placements_[t].edit(true, true, attributes))});
    }

    // A one-column table on the page whose rows hold whole tables (the order's items) is cut
    // in pieces at those rows, so that their tables stand on the page themselves: a table in a
    // cell is laid out twice for each table around it. Such a table takes the column's width,
    // alignment and background, the cell's side padding as empty columns of that width, and
    // its top and bottom padding go to the rows next to it.
    bool cut(int t)
    {
        const Table& column = table(t);
        const Attributes attributes = HtmlAttributes(column.open.attributes);
        const QString border = valueOf(attributes, u"border");
        if (!onPage(t) || isWrapper(column) || !column.plain || column.tbody || column.rows.size() < 3 ||
            valueOf(attributes, u"cellspacing") != u"0" || !(border.isEmpty() || border == u"0") ||
            hasMargins(attributes))
            return false;
        for (const Row& row : column.rows)
            if (row.cells.size() != 1)
                return false;
        QList<int> cuts;
        for (int r = 1; r + 1 < column.rows.size(); ++r)
            if ((cuts.isEmpty() || cuts.last() < r - 1) && canCut(column, attributes, r))
                cuts.append(r);
        if (cuts.isEmpty())
            return false;

        const Placement& placement = placements_[t];
        QHash<int, std::array<int, 4>> grown; // rows whose cell takes a cut row's padding
        edits_.append({column.open.begin, column.open.end,
                       rewrittenTag(u"table", attributes, placement.edit(true, false, attributes))});
        for (const int r : cuts) {
            const Cell& cell = column.rows[r].cells[0];
            const std::array<int, 4> padding = *cellPadding(HtmlAttributes(cell.open.attributes), attributes);
            for (const int n : {r - 1, r + 1})
                if (!grown.contains(n))
                    grown.insert(n, *cellPadding(HtmlAttributes(column.rows[n].cells[0].open.attributes), attributes));
            grown[r - 1][2] += padding[0];
            grown[r + 1][0] += padding[2];
            const bool last = r == cuts.last();
            edits_.append({column.rows[r].open.begin, column.rows[r].close.end,
                           QStringLiteral("</table>") + standAlone(table(cell.tables.first()), t, attributes, padding) +
                               rewrittenTag(u"table", attributes, placement.edit(false, last, attributes))});
        }
        for (auto it = grown.cbegin(); it != grown.cend(); ++it) {
            const HtmlTag& open = column.rows[it.key()].cells[0].open;
            TagEdit edit;
            edit.dropStyle = {QStringLiteral("padding"), QStringLiteral("padding-top"), QStringLiteral("padding-right"),
                              QStringLiteral("padding-bottom"), QStringLiteral("padding-left")};
            const std::array<int, 4>& p = it.value();
            edit.addStyle = QStringLiteral("padding:%1px %2px %3px %4px;").arg(p[0]).arg(p[1]).arg(p[2]).arg(p[3]);
            edits_.append({open.begin, open.end, rewrittenTag(open.name, HtmlAttributes(open.attributes), edit)});
        }
        return true;
    }

    bool canCut(const Table& column, const Attributes& attributes, int r) const
    {
        const Cell& cell = column.rows[r].cells[0];
        if (!onlyPads(cell) || !cellPadding(HtmlAttributes(cell.open.attributes), attributes))
            return false;
        for (const int n : {r - 1, r + 1}) {
            const Cell& neighbour = column.rows[n].cells[0];
            if (!canGrow(neighbour) || !cellPadding(HtmlAttributes(neighbour.open.attributes), attributes))
                return false;
        }
        const Table& inner = table(cell.tables.first());
        const Attributes innerAttributes = HtmlAttributes(inner.open.attributes);
        if (!inner.plain || inner.tbody || isFixedWidth(innerAttributes) || hasMargins(innerAttributes) ||
            !backgroundOf(innerAttributes).isEmpty())
            return false;
        for (const Row& row : inner.rows)
            for (const Cell& c : row.cells)
                if (!c.tables.isEmpty() || !valueOf(HtmlAttributes(c.open.attributes), u"rowspan").isEmpty())
                    return false;
        return true;
    }

    // The table of a cut row as it stands on the page: the column's width, alignment and
    // background, and the cell's side padding as empty columns.
    QString standAlone(const Table& inner, int columnIndex, const Attributes& column,
                       const std::array<int, 4>& padding) const
    {
        const Attributes attributes = HtmlAttributes(inner.open.attributes);
        TagEdit edit;
        edit.attributes = {{QStringLiteral("width"), valueOf(column, u"width")},
                           {QStringLiteral("bgcolor"), backgroundOf(column)},
                           {QStringLiteral("align"), valueOf(column, u"align")}};
        if (edit.attributes[2].second.isEmpty())
            edit.attributes[2].second = placements_[columnIndex].align;
        for (auto& attribute : edit.attributes)
            if (attribute.second.isEmpty())
                attribute.second = QString(); // null: left out
        edit.dropStyle = {QStringLiteral("width")};
        QString out = rewrittenTag(u"table", attributes, edit);
        const auto spacer = [](int width) {
            return width > 0 ? QStringLiteral("<td width=\"%1\" style=\"padding:0\"></td>").arg(width) : QString();
        };
        qsizetype pos = inner.open.end;
        for (const Row& row : inner.rows) {
            out += html_.sliced(pos, row.open.end - pos) + spacer(padding[3]);
            out += html_.sliced(row.open.end, row.close.begin - row.open.end) + spacer(padding[1]);
            pos = row.close.begin;
        }
        return out + html_.sliced(pos, inner.close.end - pos);
    }

    QStringView html_;
    TableMap map_;
    QList<Placement> placements_;
    QList<Edit> edits_;
};

} // namespace

QString PreviewHtml(QStringView html)
{
    return Preview(html).run();
}

} // namespace pelmora
