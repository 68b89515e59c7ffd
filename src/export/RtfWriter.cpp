#include "export/RtfWriter.h"

#include "export/PageGeometry.h"

#include <cmath>

namespace pelmora
{

namespace
{
int twips(double points)
{
    return int(std::lround(points * 20.0));
}

QByteArray number(int value)
{
    return QByteArray::number(value);
}
} // namespace

void RtfWriter::appendEscaped(QByteArray& out, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\') {
            out += "\\\\";
        } else if (c == u'{' || c == u'}') {
            // As hex characters rather than \{ and \}, which some readers drop at a cell's start.
            out += c == u'{' ? "\\'7b" : "\\'7d";
        } else if (c == u'\r') {
            out += "\\line ";
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += "\\line ";
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c < 0x20) {
            // other control characters have no place in a cell
        } else if (c < 0x80) {
            out += char(c);
        } else if (c >= 0xA0 && c <= 0xFF) {
            // The document's code page holds these as they are.
            out += "\\'";
            out += QByteArray::number(int(c), 16);
        } else {
            // A signed 16-bit code (surrogate pairs as two), then "?" as the one character
            // readers without Unicode show, written as a hex character as word processors do.
            out += "\\u";
            out += QByteArray::number(int(static_cast<int16_t>(c)));
            out += "\\'3f";
        }
    }
}

void RtfWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    double natural = 0;
    for (const ExportColumn& c : layout_.columns)
        natural += PageGeometry::naturalWidth(c.type);
    const PageGeometry page = PageGeometry::of(options, natural);
    // The columns share the text width in proportion to what they would like, but a wide
    // table keeps its natural widths and runs past the margin rather than squeeze every value.
    const double scale = natural > 0 ? std::max(1.0, page.textWidth() / natural) : 1.0;

    QByteArray& def = rowDefinition_;
    def = "\\trowd\\trgaph60\\trleft0";
    double right = 0;
    for (const ExportColumn& c : layout_.columns) {
        right += PageGeometry::naturalWidth(c.type) * scale;
        def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10"
               "\\cellx" +
               number(twips(right));
    }
    alignment_.clear();
    for (const ExportColumn& c : layout_.columns)
        alignment_ << ((c.type == ExportType::Integer || c.type == ExportType::Number || c.type == ExportType::Money)
                           ? QByteArray("\\qr")
                           : QByteArray("\\ql"));

    sink_.open(path);
    QByteArray& out = sink_.buffer();
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fswiss\\fcharset0 ";
    appendEscaped(out, options.captionFont);
    out += ";}{\\f1\\fswiss\\fcharset0 ";
    appendEscaped(out, options.dataFont);
    out += ";}}\n{\\info{\\title ";
    appendEscaped(out, options.title);
    out += "}}\n\\paperw" + number(twips(page.paper.width())) + "\\paperh" + number(twips(page.paper.height())) +
           "\\margl" + number(twips(page.left)) + "\\margr" + number(twips(page.right)) + "\\margt" +
           number(twips(page.top)) + "\\margb" + number(twips(page.bottom)) + (page.landscape ? "\\landscape" : "") +
           "\n";

    // The caption row, repeated at the top of every page.
    out += def;
    out += "\\trhdr\n";
    for (const ExportColumn& c : layout_.columns) {
        out += "\\pard\\intbl";
        out += options.captionCentred ? "\\qc" : "\\ql";
        out += "\\f0\\fs16";
        out += options.captionBold ? "\\b " : "\\b0 ";
        appendEscaped(out, c.caption);
        out += "\\cell\n";
    }
    out += "\\row\n";
}

void RtfWriter::writeRow(const RowSource& row)
{
    QByteArray& out = sink_.buffer();
    out += rowDefinition_;
    out += '\n';
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        out += "\\pard\\intbl";
        out += alignment_[i];
        out += "\\f1\\fs16\\b0 ";
        appendEscaped(out, cells_.display(row, layout_.fields[i], layout_.columns[i].type));
        out += "\\cell\n";
    }
    out += "\\row\n";
    sink_.spill();
}

void RtfWriter::finish()
{
    sink_.buffer() += "\\pard\\par\n}\n";
    sink_.close();
}

} // namespace pelmora
