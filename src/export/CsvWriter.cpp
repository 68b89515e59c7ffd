#include "export/CsvWriter.h"

#include "common/Error.h"

#include <cstring>

namespace pelmora
{

void CsvWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    separator_ = '\t';
    if (!tabs_) {
        const QByteArray separator = options.csvSeparator.toUtf8();
        if (separator.size() != 1 || separator[0] == '"' || separator[0] == '\r' || separator[0] == '\n')
            throw Error(QStringLiteral("The CSV separator must be one character other than a quote or a line break"));
        separator_ = separator[0];
    }
    markFormulas_ = options.markFormulas;
    sink_.open(path);
    QByteArray& out = sink_.buffer();
    if (!tabs_ && options.byteOrderMark)
        out += "\xEF\xBB\xBF";
    if (options.headerRow) {
        for (qsizetype i = 0; i < layout_.columns.size(); ++i) {
            if (i > 0)
                out += separator_;
            const qsizetype start = out.size();
            out += layout_.columns[i].caption.toUtf8();
            endField(out, start);
        }
        out += "\r\n";
    }
}

bool CsvWriter::readAsFormula(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    switch (text.front()) {
    case '=':
    case '@':
    case '\t':
    case '\r':
        return true;
    case '+':
    case '-': {
        bool number = false;
        (void)text.toDouble(&number);
        return !number;
    }
    default:
        return false;
    }
}

void CsvWriter::endField(QByteArray& out, qsizetype start) const
{
    const char* data = out.constData() + start;
    const qsizetype length = out.size() - start;
    bool special = false;
    for (qsizetype i = 0; i < length && !special; ++i) {
        const char c = data[i];
        special = c == separator_ || c == '"' || c == '\r' || c == '\n';
    }
    if (!special)
        return;
    QByteArray field(data, length);
    out.truncate(start);
    if (tabs_) {
        for (char& c : field)
            if (c == '\t' || c == '\r' || c == '\n')
                c = ' ';
        out += field;
        return;
    }
    out += '"';
    for (char c : std::as_const(field)) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void CsvWriter::writeRow(const RowSource& row)
{
    QByteArray& out = sink_.buffer();
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        if (i > 0)
            out += separator_;
        const qsizetype start = out.size();
        cells_.appendDisplay(out, row, layout_.fields[i], layout_.columns[i].type);
        if (markFormulas_ && out.size() > start && readAsFormula(QByteArrayView(out).sliced(start)))
            out.insert(start, '\'');
        endField(out, start);
    }
    out += "\r\n";
    sink_.spill();
}

void CsvWriter::finish()
{
    sink_.close();
}

} // namespace pelmora
