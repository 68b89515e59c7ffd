#include "export/HtmlWriter.h"

#include "export/Markup.h"

namespace pelmora
{

void HtmlWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    numeric_.clear();
    for (const ExportColumn& c : layout_.columns)
        numeric_ << (c.type == ExportType::Integer || c.type == ExportType::Number || c.type == ExportType::Money);
    sink_.open(path);
    QByteArray& out = sink_.buffer();
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    markup::appendEscaped(out, options.title.toUtf8());
    out += "</title>\n<style>\n"
           "table { border-collapse: collapse; font-family: Arial, sans-serif; font-size: 10pt; }\n"
           "th, td { border: 1px solid #a0a0a0; padding: 2px 6px; vertical-align: top; }\n"
           "th { background: #e8e8e8; text-align: center; }\n"
           "td.n { text-align: right; }\n"
           "</style>\n</head>\n<body>\n<table>\n<thead>\n<tr>";
    for (const ExportColumn& c : layout_.columns) {
        out += "<th>";
        markup::appendEscaped(out, c.caption.toUtf8(), "<br>");
        out += "</th>";
    }
    out += "</tr>\n</thead>\n<tbody>\n";
}

void HtmlWriter::writeRow(const RowSource& row)
{
    QByteArray& out = sink_.buffer();
    out += "<tr>";
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        out += numeric_[i] ? "<td class=\"n\">" : "<td>";
        scratch_.resize(0);
        cells_.appendDisplay(scratch_, row, layout_.fields[i], layout_.columns[i].type);
        markup::appendEscaped(out, scratch_, "<br>");
        out += "</td>";
    }
    out += "</tr>\n";
    sink_.spill();
}

void HtmlWriter::finish()
{
    sink_.buffer() += "</tbody>\n</table>\n</body>\n</html>\n";
    sink_.close();
}

} // namespace pelmora
