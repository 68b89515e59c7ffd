#pragma once

#include "export/ExportColumn.h"
#include "export/ExportOptions.h"

#include <QSizeF>

namespace pelmora
{

// The page of the paged formats (Word, RTF, PDF) in points: its size with the orientation the
// table needs (landscape when the columns' natural width does not fit upright, unless the
// options say otherwise) and the margins of the options.
struct PageGeometry {
    QSizeF paper; // width x height, after orientation
    bool landscape = false;
    double left = 0, right = 0, top = 0, bottom = 0;

    double textWidth() const { return paper.width() - left - right; }
    double textHeight() const { return paper.height() - top - bottom; }

    // naturalWidth: what the table would like, in points.
    static PageGeometry of(const ExportOptions& options, double naturalWidth);
    // The natural width of a column of this type, in points (about 8-point text).
    static double naturalWidth(ExportType type);
};

} // namespace pelmora
