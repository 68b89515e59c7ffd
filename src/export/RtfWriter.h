#pragma once

#include "export/CellText.h"
#include "export/FileSink.h"
#include "export/TableWriter.h"

namespace pelmora
{

// A rich-text document holding one table: the caption row in the caption font (bold and
// centred as the options say) repeated on every page, the data in the data font. Text is
// escaped as RTF wants it: backslashes doubled, braces and Latin-1 letters as hex characters,
// other characters beyond ASCII as \u.
class RtfWriter : public TableWriter
{
  public:
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

    static void appendEscaped(QByteArray& out, const QString& text);

  private:
    CellText cells_;
    TableLayout layout_;
    QByteArray rowDefinition_;
    QList<QByteArray> alignment_;
    FileSink sink_;
};

} // namespace pelmora
