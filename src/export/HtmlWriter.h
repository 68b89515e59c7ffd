#pragma once

#include "export/CellText.h"
#include "export/FileSink.h"
#include "export/TableWriter.h"

namespace pelmora
{

// One HTML page holding one table: captions as its header row, values escaped, line breaks
// kept, numbers right-aligned.
class HtmlWriter : public TableWriter
{
  public:
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

  private:
    CellText cells_;
    TableLayout layout_;
    QList<bool> numeric_;
    FileSink sink_;
    QByteArray scratch_;
};

} // namespace pelmora
