#pragma once

#include "export/CellText.h"
#include "export/FileSink.h"
#include "export/TableWriter.h"

#include <QTemporaryFile>
#include <memory>

namespace pelmora
{

// A Word document (.docx): one WordprocessingML table with the caption row repeated on every
// page, in the data font of the options. The document part is streamed to a work file beside
// the target and packed into the zip container at the end, so memory stays flat.
class DocxWriter : public TableWriter
{
  public:
    ~DocxWriter() override;
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

  private:
    void appendCell(QByteArray& out, const QString& text, bool caption, bool right) const;

    CellText cells_;
    TableLayout layout_;
    QList<bool> right_;
    QString path_;
    QString fonts_;
    QByteArray styles_;
    std::unique_ptr<QTemporaryFile> body_;
    FileSink sink_;
    QByteArray scratch_;
    bool captionBold_ = true;
    bool captionCentred_ = true;
};

} // namespace pelmora
