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
// come from the options; a table too wide for an upright page turns the page. Columns keep a
// legible width: a table wider than the page is cut into bands of columns, and every page's
// worth of rows is printed once per band, the first column repeated at the left of the further
// bands so that their rows can be told apart.
class PdfWriter : public TableWriter
{
  public:
    ~PdfWriter() override;
    void begin(const QString& path, const TableLayout& layout, const ExportOptions& options) override;
    void writeRow(const RowSource& row) override;
    void finish() override;
    bool needsRowCount() const override { return true; }

  private:
    // Columns printed on one page, in device units.
    struct Band {
        QList<int> columns;
        QList<double> widths;
        double width = 0;
    };

    double px(double points) const { return points * scale_; }
    void makeBands(const QList<double>& naturals);
    void flush();
    void paintPage(const Band& band);

    CellText cells_;
    TableLayout layout_;
    PageGeometry page_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    QFont dataFont_;
    QFont captionFont_;
    std::optional<QFontMetricsF> metrics_;
    QList<Band> bands_;
    QList<bool> right_;
    QList<QString> pending_; // the rows of the next page, column by column
    int pendingRows_ = 0;
    double scale_ = 1.0;
    double rowHeight_ = 0;
    int rowsPerPage_ = 1;
    int pageNumber_ = 0;
    int pageCount_ = 0;
};

} // namespace pelmora
