#pragma once

#include "export/FileSink.h"
#include "export/TableWriter.h"

namespace pelmora
{

// An XML document declared UTF-8: one element per row, one child per field, named after the
// field. Values are typed in the XML Schema forms (dates yyyy-MM-dd, times HH:mm:ss, numbers
// with a decimal point, flags true/false) so that a program reads them without guessing.
class XmlWriter : public TableWriter
{
  public:
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;

  private:
    void appendValue(QByteArray& out, const RowSource& row, int field, ExportType type) const;

    TableLayout layout_;
    QList<QByteArray> open_;
    QList<QByteArray> close_;
    QByteArray root_;
    FileSink sink_;
};

} // namespace pelmora
