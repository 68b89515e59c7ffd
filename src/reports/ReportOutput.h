#pragma once

#include "reports/PageSource.h"

#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace pelmora::reports
{

// The outputs of a page source. Pages are built, written and forgotten one at a time, so
// memory stays flat however many pages there are. Each throws Error when a file cannot be
// written or the data fails.
class ReportOutput
{
  public:
    // Pages first..last (0-based, last -1: to the end) on a paged device (a printer, a PDF
    // writer) whose page size is already set; returns the number of pages.
    static int paint(PageSource& source, QPagedPaintDevice& device, int first = 0, int last = -1);
    // A PDF with the fonts embedded. Returns the number of pages.
    static int writePdf(PageSource& source, const QString& path);
    // One PNG per page: base-1.png, base-2.png, ... for path base.png. Returns the files.
    static QStringList writeImages(PageSource& source, const QString& path, int dotsPerInch = 150);
    // One HTML file: each page a block of positioned texts.
    static int writeHtml(PageSource& source, const QString& path);
    // Plain text: each page's texts line by line, pages separated by form feeds.
    static int writeText(PageSource& source, const QString& path);
};

} // namespace pelmora::reports
