#pragma once

#include "export/ExportOptions.h"
#include "export/RowSource.h"

#include <QString>
#include <functional>

namespace pelmora
{

struct ExportResult {
    bool ok = false;
    bool cancelled = false;
    qint64 rows = 0;
    QString error; // why it failed; empty when it did not
};

// Runs one export: the rows of a source, the fields the options do not leave out, in the
// options' format, to a file. The rows go to a work file beside the target that replaces it
// only once complete: a failed or cancelled export leaves whatever was there before (or
// nothing) under the chosen name, and no work file.
class Exporter
{
  public:
    // Called now and then with the rows written and the total (-1: unknown); false cancels.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    static ExportResult run(RowSource& source, const ExportOptions& options, const QString& path,
                            const Progress& progress = {});

    // The columns written: every column of the source whose name the options do not omit.
    static QList<int> selectedFields(const ExportColumns& columns, const ExportOptions& options);
};

} // namespace pelmora
