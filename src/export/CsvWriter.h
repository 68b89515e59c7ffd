#pragma once

#include "export/CellText.h"
#include "export/FileSink.h"
#include "export/TableWriter.h"

namespace pelmora
{

// Delimited text. CSV: RFC 4180 (fields with the separator, a quote or a line break are quoted,
// quotes doubled, lines end with CR LF), UTF-8, optionally with a byte-order mark.
// TXT: tab-separated without quoting; a tab or line break inside a value becomes a blank so
// that every row stays one line. On request a text a spreadsheet program would take for a
// formula is written with a leading apostrophe.
class CsvWriter : public TableWriter
{
  public:
    explicit CsvWriter(bool tabSeparated) : tabs_(tabSeparated), cells_(QLocale(), false) {}

    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

    // Whether a spreadsheet program would take the text for a formula: it starts with = or @
    // (or a tab or carriage return before one), or with + or - and is not a plain number.
    static bool readAsFormula(QByteArrayView text);

  private:
    void endField(QByteArray& out, qsizetype start) const;

    bool tabs_;
    CellText cells_;
    char separator_ = ',';
    bool markFormulas_ = false;
    TableLayout layout_;
    FileSink sink_;
};

} // namespace pelmora
