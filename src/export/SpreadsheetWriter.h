#pragma once

#include "export/TableWriter.h"

#include <QByteArray>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace pelmora
{

// A workbook (.xlsx) written row by row in constant memory: numbers, money, dates, times and
// flags as typed cells with the spreadsheet's own formats, text as text. The caption row is
// bold, frozen and repeated on printed pages; the footer and sheet title come from the options.
// A table longer than a worksheet continues on further worksheets, each with its caption row.
class SpreadsheetWriter : public TableWriter
{
  public:
    ~SpreadsheetWriter() override;
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

    // The longest text a cell holds.
    static constexpr int kMaxCellChars = 32767;

  private:
    void addSheet();
    void writeText(int column, QByteArrayView text);

    TableLayout layout_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* caption_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* time_ = nullptr;
    lxw_format* money_ = nullptr;
    QByteArray title_;
    QByteArray footer_;
    QByteArray scratch_;
    int sheets_ = 0;
    unsigned row_ = 0;
};

} // namespace pelmora
