#pragma once

#include "reports/TablePrintout.h"

#include <QPageLayout>
#include <memory>

class QWidget;

namespace pelmora
{

class WorkspaceView;

// The printout of the orders grid as it is shown: the visible columns in their order and
// widths, the grouping as group rows, the filter and sort applied, with the rows read from the
// database rather than from the rows the grid has loaded.
class GridPrintPreview
{
  public:
    static inline const QString kTitle = QStringLiteral("Orders");
    static inline const QString kArchiveTitle = QStringLiteral("Archived orders");

    // Letter, 8.5 x 11 in, margins 0.5 in, header and footer 0.2 in.
    static QPageLayout defaultPage();
    // A printout of the grid as it stands now. Throws Error.
    static std::unique_ptr<reports::TablePrintout> printout(WorkspaceView& view, const QPageLayout& page);
    // The modal print preview, from which the merchant prints and sets up the page.
    static void show(WorkspaceView& view, QWidget* parent);
};

} // namespace pelmora
