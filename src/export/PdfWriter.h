#pragma once

#include "export/CellText.h"
#include "export/PageGeometry.h"
#include "export/TableWriter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <optional>

namespace pelmora
{

// A PDF document painted page by page: the caption row at the top of every page, one line per
// row (longer values cut with an ellipsis), "Page n of N" at the foot. The page and its margins
// come from the options; a table too wide for an upright page turns the page.
class PdfWriter : public TableWriter
{
  public:
    ~PdfWriter() override;
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;
    bool needsRowCount() const override { return true; }

  private:
    double px(double points) const { return points * scale_; }
    void startPage();
    void endPage();

    CellText cells_;
    TableLayout layout_;
    PageGeometry page_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    QFont dataFont_;
    QFont captionFont_;
    std::optional<QFontMetricsF> metrics_;
    QList<double> widths_; // device units
    QList<bool> right_;
    double scale_ = 1.0;
    double rowHeight_ = 0;
    double y_ = 0;
    int rowsPerPage_ = 1;
    int rowOnPage_ = 0;
    int pageNumber_ = 0;
    int pageCount_ = 0;
    bool pageOpen_ = false;
};

} // namespace pelmora
