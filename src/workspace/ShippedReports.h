#pragma once

#include "reports/ReportLayout.h"

#include <QList>

namespace pelmora
{

namespace reports
{
class ReportRepository;
}

// The report layouts Pelmora ships: "Invoice" (one order per page), "Packing slip" (the same
// without prices) and "Order list" (one line per order with a summary).
class ShippedReports
{
  public:
    static inline const QString kFolder = QStringLiteral("Standard reports");

    static QList<reports::ReportLayout> layouts();
    static reports::ReportLayout invoice();
    static reports::ReportLayout packingSlip();
    static reports::ReportLayout orderList();
    // Adds the folder with the three layouts; returns the folder's id. Throws Error.
    static int install(reports::ReportRepository& repository);
};

} // namespace pelmora
