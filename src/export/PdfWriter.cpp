#include "export/PdfWriter.h"

#include "common/Error.h"

#include <QPageLayout>
#include <QPageSize>
#include <cmath>

namespace pelmora
{

namespace
{
constexpr int kResolution = 600;
constexpr double kFontPoints = 8.0;
constexpr double kPadding = 3.0; // points each side of a cell's text
} // namespace

PdfWriter::~PdfWriter()
{
    if (painter_ && painter_->isActive())
        painter_->end();
}

void PdfWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    dataFont_ = QFont(options.dataFont);
    dataFont_.setPointSizeF(kFontPoints);
    captionFont_ = QFont(options.captionFont);
    captionFont_.setPointSizeF(kFontPoints);
    captionFont_.setBold(true);

    double natural = 0;
    QList<double> naturals;
    {
        const QFontMetricsF captions(captionFont_);
        for (const ExportColumn& c : layout_.columns) {
            // Metrics here are at the screen's resolution, close enough to points for a width.
            const double w = std::max(PageGeometry::naturalWidth(c.type),
                                      std::min(captions.horizontalAdvance(c.caption), 140.0) + 2 * kPadding);
            naturals << w;
            natural += w;
            right_ << (c.type == ExportType::Integer || c.type == ExportType::Number || c.type == ExportType::Money);
        }
    }
    page_ = PageGeometry::of(options, natural);

    writer_ = std::make_unique<QPdfWriter>(path);
    writer_->setResolution(kResolution);
    writer_->setTitle(options.title);
    writer_->setCreator(QStringLiteral("Pelmora"));
    const bool a4 = options.effectivePageSize().compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0;
    QPageLayout pageLayout(QPageSize(a4 ? QPageSize::A4 : QPageSize::Letter),
                           page_.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF(page_.left, page_.top, page_.right, page_.bottom), QPageLayout::Point);
    pageLayout.setMode(QPageLayout::FullPageMode);
    if (!writer_->setPageLayout(pageLayout))
        throw Error(QStringLiteral("The page margins leave no room for the table"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get()))
        throw Error(QStringLiteral("Cannot write \"%1\"").arg(path));
    scale_ = kResolution / 72.0;

    // Widths: what each column would like, shared out over the text width.
    const double factor = natural > 0 ? page_.textWidth() / natural : 1.0;
    for (double w : naturals)
        widths_ << px(w * factor);
    painter_->setFont(dataFont_);
    metrics_.emplace(dataFont_, writer_.get());
    rowHeight_ = std::ceil(metrics_->height() * 1.25);
    const double footer = px(kFontPoints * 2.5);
    rowsPerPage_ = std::max(1, int((px(page_.textHeight()) - footer) / rowHeight_) - 1);
    pageCount_ = layout.rows < 0 ? 0 : std::max<int>(1, int((layout.rows + rowsPerPage_ - 1) / rowsPerPage_));
}

void PdfWriter::startPage()
{
    if (pageNumber_ > 0 && !writer_->newPage())
        throw Error(QStringLiteral("Cannot add a page"));
    ++pageNumber_;
    pageOpen_ = true;
    rowOnPage_ = 0;
    const double left = px(page_.left);
    y_ = px(page_.top);
    const double width = px(page_.textWidth());
    painter_->fillRect(QRectF(left, y_, width, rowHeight_), QColor(0xe8, 0xe8, 0xe8));
    painter_->setFont(captionFont_);
    double x = left;
    for (qsizetype i = 0; i < layout_.columns.size(); ++i) {
        painter_->drawText(QRectF(x + px(kPadding), y_, widths_[i] - 2 * px(kPadding), rowHeight_),
                           Qt::AlignCenter | Qt::TextSingleLine, layout_.columns[i].caption);
        x += widths_[i];
    }
    y_ += rowHeight_;
    painter_->setPen(QPen(Qt::black, px(0.5)));
    painter_->drawLine(QPointF(left, y_), QPointF(left + width, y_));
    painter_->setPen(Qt::black);
    painter_->setFont(dataFont_);
}

void PdfWriter::endPage()
{
    if (!pageOpen_)
        return;
    pageOpen_ = false;
    const QString text = pageCount_ > 0 ? QStringLiteral("Page %1 of %2").arg(pageNumber_).arg(pageCount_)
                                        : QStringLiteral("Page %1").arg(pageNumber_);
    const double bottom = px(page_.paper.height() - page_.bottom);
    painter_->drawText(QRectF(px(page_.left), bottom - rowHeight_, px(page_.textWidth()), rowHeight_),
                       Qt::AlignCenter | Qt::TextSingleLine, text);
}

void PdfWriter::writeRow(const RowSource& row)
{
    if (!pageOpen_ || rowOnPage_ >= rowsPerPage_) {
        endPage();
        startPage();
    }
    double x = px(page_.left);
    const double padding = px(kPadding);
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        QString text = cells_.display(row, layout_.fields[i], layout_.columns[i].type);
        const double room = widths_[i] - 2 * padding;
        if (!text.isEmpty()) {
            if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t')) {
                text.replace(QLatin1String("\r\n"), QLatin1String(" "));
                for (QChar& c : text)
                    if (c == u'\n' || c == u'\r' || c == u'\t')
                        c = u' ';
            }
            if (metrics_->horizontalAdvance(text) > room)
                text = metrics_->elidedText(text, Qt::ElideRight, room);
            painter_->drawText(QRectF(x + padding, y_, room, rowHeight_),
                               (right_[i] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
                               text);
        }
        x += widths_[i];
    }
    y_ += rowHeight_;
    ++rowOnPage_;
}

void PdfWriter::finish()
{
    if (!pageOpen_ && pageNumber_ == 0)
        startPage(); // an empty table still has its caption row
    endPage();
    if (!painter_->end())
        throw Error(QStringLiteral("Cannot write the PDF document"));
}

} // namespace pelmora
