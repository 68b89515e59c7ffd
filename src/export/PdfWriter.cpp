#include "export/PdfWriter.h"

#include "common/Error.h"

#include <QPageLayout>
#include <QPageSize>
#include <cmath>
#include <limits>

namespace pelmora
{

namespace
{
constexpr int kResolution = 600;
constexpr double kFontPoints = 8.0;
constexpr double kPadding = 3.0; // points each side of a cell's text
// How much a band of a table cut into bands may widen its columns to fill the page.
constexpr double kMostWidening = 1.5;
// The first column repeats on further bands while it takes at most this share of the page.
constexpr double kRepeatedShare = 0.3;
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
    // A trace of letter spacing keeps the shaper from joining letters into ligatures, so that a
    // reader copying or searching the text finds "fi" as two letters.
    for (QFont* font : {&dataFont_, &captionFont_})
        font->setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 32);

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
    if (page_.textWidth() < 36.0 || page_.textHeight() < 72.0 || !writer_->setPageLayout(pageLayout))
        throw Error(QStringLiteral("The page margins leave no room for the table"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get()))
        throw Error(QStringLiteral("Cannot write \"%1\"").arg(path));
    scale_ = kResolution / 72.0;

    makeBands(naturals);
    painter_->setFont(dataFont_);
    metrics_.emplace(dataFont_, writer_.get());
    rowHeight_ = std::ceil(metrics_->height() * 1.25);
    const double footer = px(kFontPoints * 2.5);
    rowsPerPage_ = std::max(1, int((px(page_.textHeight()) - footer) / rowHeight_) - 1);
    const qint64 rowPages = layout.rows < 0 ? 0 : std::max<qint64>(1, (layout.rows + rowsPerPage_ - 1) / rowsPerPage_);
    pageCount_ = int(std::min<qint64>(rowPages * bands_.size(), std::numeric_limits<int>::max()));
    pending_.reserve(rowsPerPage_ * layout_.columns.size());
}

// Widths: what each column would like. A table that fits is shared out over the text width; a
// wider one is cut into bands of whole columns that each fit, widened a little to fill the page.
void PdfWriter::makeBands(const QList<double>& naturals)
{
    const double room = page_.textWidth();
    double natural = 0;
    for (double w : naturals)
        natural += std::min(w, room);
    if (natural <= room) {
        Band band;
        const double factor = natural > 0 ? room / natural : 1.0;
        for (qsizetype i = 0; i < naturals.size(); ++i) {
            band.columns << int(i);
            band.widths << px(naturals[i] * factor);
        }
        band.width = px(room);
        bands_ << band;
        return;
    }
    const double first = std::min(naturals.first(), room);
    const bool repeat = first <= room * kRepeatedShare;
    QList<QList<int>> groups{{}};
    double used = 0;
    for (qsizetype i = 0; i < naturals.size(); ++i) {
        const double w = std::min(naturals[i], room);
        if (!groups.last().isEmpty() && used + w > room) {
            groups << QList<int>();
            used = 0;
            if (repeat) {
                groups.last() << 0;
                used = first;
            }
        }
        groups.last() << int(i);
        used += w;
    }
    for (const QList<int>& columns : std::as_const(groups)) {
        double sum = 0;
        for (int c : columns)
            sum += std::min(naturals[c], room);
        const double factor = std::min(room / sum, kMostWidening);
        Band band;
        band.columns = columns;
        for (int c : columns)
            band.widths << px(std::min(naturals[c], room) * factor);
        band.width = px(sum * factor);
        bands_ << band;
    }
}

void PdfWriter::paintPage(const Band& band)
{
    if (pageNumber_ > 0 && !writer_->newPage())
        throw Error(QStringLiteral("Cannot add a page"));
    ++pageNumber_;
    const double left = px(page_.left);
    const double padding = px(kPadding);
    double y = px(page_.top);
    painter_->fillRect(QRectF(left, y, band.width, rowHeight_), QColor(0xe8, 0xe8, 0xe8));
    painter_->setFont(captionFont_);
    double x = left;
    for (qsizetype i = 0; i < band.columns.size(); ++i) {
        painter_->drawText(QRectF(x + padding, y, band.widths[i] - 2 * padding, rowHeight_),
                           Qt::AlignCenter | Qt::TextSingleLine, layout_.columns[band.columns[i]].caption);
        x += band.widths[i];
    }
    y += rowHeight_;
    painter_->setPen(QPen(Qt::black, px(0.5)));
    painter_->drawLine(QPointF(left, y), QPointF(left + band.width, y));
    painter_->setPen(Qt::black);
    painter_->setFont(dataFont_);

    const qsizetype columns = layout_.columns.size();
    for (int r = 0; r < pendingRows_; ++r) {
        x = left;
        for (qsizetype i = 0; i < band.columns.size(); ++i) {
            const int c = band.columns[i];
            QString text = pending_[r * columns + c];
            const double room = band.widths[i] - 2 * padding;
            if (!text.isEmpty()) {
                if (metrics_->horizontalAdvance(text) > room)
                    text = metrics_->elidedText(text, Qt::ElideRight, room);
                painter_->drawText(QRectF(x + padding, y, room, rowHeight_),
                                   (right_[c] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
                                   text);
            }
            x += band.widths[i];
        }
        y += rowHeight_;
    }

    const QString text = pageCount_ > 0 ? QStringLiteral("Page %1 of %2").arg(pageNumber_).arg(pageCount_)
                                        : QStringLiteral("Page %1").arg(pageNumber_);
    const double bottom = px(page_.paper.height() - page_.bottom);
    painter_->drawText(QRectF(left, bottom - rowHeight_, px(page_.textWidth()), rowHeight_),
                       Qt::AlignCenter | Qt::TextSingleLine, text);
}

// The rows gathered for a page, once per band.
void PdfWriter::flush()
{
    for (const Band& band : std::as_const(bands_))
        paintPage(band);
    pending_.resize(0);
    pendingRows_ = 0;
}

void PdfWriter::writeRow(const RowSource& row)
{
    if (pendingRows_ >= rowsPerPage_)
        flush();
    for (qsizetype i = 0; i < layout_.fields.size(); ++i) {
        QString text = cells_.display(row, layout_.fields[i], layout_.columns[i].type);
        if (text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t')) {
            text.replace(QLatin1String("\r\n"), QLatin1String(" "));
            for (QChar& c : text)
                if (c == u'\n' || c == u'\r' || c == u'\t')
                    c = u' ';
        }
        pending_ << text;
    }
    ++pendingRows_;
}

void PdfWriter::finish()
{
    if (pendingRows_ > 0 || pageNumber_ == 0)
        flush(); // an empty table still has its caption row
    if (!painter_->end())
        throw Error(QStringLiteral("Cannot write the PDF document"));
}

} // namespace pelmora
