#pragma once

#include "export/ExportOptions.h"
#include "export/RowSource.h"

#include <QList>
#include <memory>

namespace pelmora
{

// What a writer is told before the first row: the columns it writes (a selection of the
// source's), where they are in the source, and how many rows will come (-1: unknown).
struct TableLayout {
    ExportColumns columns;
    QList<int> fields; // source column of each written column
    qint64 rows = -1;
};

// Writes rows of a source to one file in one format, from the first row to the last.
// Every step throws Error on failure; a writer that is destroyed without finish() leaves an
// incomplete file behind, which its caller removes.
class TableWriter
{
  public:
    virtual ~TableWriter() = default;
    virtual void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) = 0;
    virtual void writeRow(const RowSource& row) = 0;
    virtual void finish() = 0;

    // Whether the writer needs TableLayout::rows (page counts).
    virtual bool needsRowCount() const { return false; }

    static std::unique_ptr<TableWriter> create(ExportFormat format);
};

} // namespace pelmora
