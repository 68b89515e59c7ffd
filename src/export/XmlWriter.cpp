#include "export/XmlWriter.h"

#include "export/CellText.h"
#include "export/Markup.h"

#include <charconv>

namespace pelmora
{

namespace
{
void appendPadded(QByteArray& out, int value, int width)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto n = result.ptr - buffer; n < width; ++n)
        out += '0';
    out.append(buffer, result.ptr - buffer);
}
} // namespace

void XmlWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    open_.clear();
    close_.clear();
    for (const ExportColumn& c : layout_.columns) {
        const QByteArray name = markup::elementName(c.name);
        open_ << "<" + name + ">";
        close_ << "</" + name + ">";
    }
    root_ = markup::elementName(options.title.isEmpty() ? QStringLiteral("Rows") : options.title);
    sink_.open(path);
    sink_.buffer() += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root_ + ">\n";
}

void XmlWriter::appendValue(QByteArray& out, const RowSource& row, int field, ExportType type) const
{
    if (row.isNull(field))
        return;
    const QByteArrayView text = row.text(field);
    switch (type) {
    case ExportType::Integer:
    case ExportType::Number:
    case ExportType::Money:
        if (row.isNumeric(field)) {
            CellText::appendNumber(out, row.number(field));
            return;
        }
        break;
    case ExportType::Date: {
        int y, m, d;
        if (CellText::parseDate(text, y, m, d)) {
            out.append(text.data(), 10);
            return;
        }
        break;
    }
    case ExportType::Time: {
        int h, m;
        double s;
        if (CellText::parseTime(text, h, m, s)) {
            appendPadded(out, h, 2);
            out += ':';
            appendPadded(out, m, 2);
            out += ':';
            appendPadded(out, int(s), 2);
            return;
        }
        break;
    }
    case ExportType::Boolean: {
        bool ok = false;
        const bool on = CellText::flagValue(row, field, ok);
        if (ok) {
            out += on ? "true" : "false";
            return;
        }
        break;
    }
    case ExportType::Text:
        break;
    }
    markup::appendEscaped(out, text);
}

void XmlWriter::writeRow(const RowSource& row)
{
    QByteArray& out = sink_.buffer();
    out += "  <Row>\n";
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        out += "    ";
        out += open_[i];
        appendValue(out, row, layout_.fields[i], layout_.columns[i].type);
        out += close_[i];
        out += '\n';
    }
    out += "  </Row>\n";
    sink_.spill();
}

void XmlWriter::finish()
{
    sink_.buffer() += "</" + root_ + ">\n";
    sink_.close();
}

} // namespace pelmora
