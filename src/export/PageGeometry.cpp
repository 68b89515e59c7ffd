#include "export/PageGeometry.h"

#include <QPageSize>

namespace pelmora
{

PageGeometry PageGeometry::of(const ExportOptions& options, double naturalWidth)
{
    const QPageSize::PageSizeId id = options.effectivePageSize().compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0
                                         ? QPageSize::A4
                                         : QPageSize::Letter;
    const QSizeF portrait = QPageSize(id).size(QPageSize::Point);
    PageGeometry g;
    g.left = options.marginLeft * 72.0;
    g.right = options.marginRight * 72.0;
    g.top = options.marginTop * 72.0;
    g.bottom = options.marginBottom * 72.0;
    switch (options.orientation) {
    case ExportOptions::Orientation::Portrait:
        g.landscape = false;
        break;
    case ExportOptions::Orientation::Landscape:
        g.landscape = true;
        break;
    case ExportOptions::Orientation::Automatic:
        g.landscape = naturalWidth > portrait.width() - g.left - g.right;
        break;
    }
    g.paper = g.landscape ? portrait.transposed() : portrait;
    return g;
}

double PageGeometry::naturalWidth(ExportType type)
{
    switch (type) {
    case ExportType::Boolean:
        return 34;
    case ExportType::Integer:
    case ExportType::Time:
        return 46;
    case ExportType::Date:
    case ExportType::Number:
        return 52;
    case ExportType::Money:
        return 56;
    case ExportType::Text:
        break;
    }
    return 90;
}

} // namespace pelmora
