#include "reports/ReportDocument.h"

#include "common/Error.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <algorithm>

namespace pelmora::reports
{

namespace
{
bool usesPageCount(const ReportLayout& layout)
{
    for (const Band& b : layout.bands)
        for (const Element& e : b.elements)
            if (e.kind == ElementKind::Expression && e.text.contains(QLatin1String("pagecount"), Qt::CaseInsensitive))
                return true;
    return false;
}

QRectF toDevice(const QRectF& mm, double k)
{
    return {mm.x() * k, mm.y() * k, mm.width() * k, mm.height() * k};
}
} // namespace

ReportDocument::ReportDocument(ReportLayout layout, DataPipelines& data) : layout_(std::move(layout)), data_(data)
{
    start();
}

ReportDocument::ReportDocument(ReportLayout layout, std::unique_ptr<DataPipelines> data)
    : layout_(std::move(layout)), owned_(std::move(data)), data_(*owned_)
{
    start();
}

void ReportDocument::start()
{
    int pageCount = 0;
    if (usesPageCount(layout_)) {
        Paginator counter(layout_, data_);
        Page p;
        while (counter.nextPage(p))
            ++pageCount;
    }
    paginator_ = std::make_unique<Paginator>(layout_, data_, pageCount);
}

ReportDocument::~ReportDocument() = default;

bool ReportDocument::ensurePage(int index)
{
    while (pagesBuilt() <= index && !done_) {
        Page p;
        if (paginator_->nextPage(p)) {
            pages_.push_back(std::move(p));
        } else {
            done_ = true;
            paginator_.reset();
        }
    }
    return index < pagesBuilt() && index >= first_;
}

void ReportDocument::releasePagesBefore(int index)
{
    while (first_ < index && !pages_.empty()) {
        pages_.pop_front();
        ++first_;
    }
}

const Page& ReportDocument::page(int index) const
{
    if (index < first_ || index >= pagesBuilt())
        throw Error(QStringLiteral("Page %1 is not built").arg(index + 1));
    return pages_.at(size_t(index - first_));
}

void ReportDocument::paintElement(QPainter& painter, const Element& e, const QRectF& rectMm, const QString& value,
                                  double k)
{
    const QRectF r = toDevice(rectMm, k);
    QPen pen(e.color);
    pen.setWidthF(std::max(e.lineWidth * k, 1.0));
    switch (e.kind) {
    case ElementKind::Line:
        painter.setPen(pen);
        painter.drawLine(r.topLeft(), r.bottomRight());
        return;
    case ElementKind::Rectangle:
        painter.setPen(pen);
        painter.setBrush(e.background.isValid() ? QBrush(e.background) : QBrush(Qt::NoBrush));
        painter.drawRect(r);
        painter.setBrush(Qt::NoBrush);
        return;
    case ElementKind::Image: {
        const QImage image = QImage::fromData(e.image);
        if (!image.isNull()) {
            QSizeF size = image.size();
            size.scale(r.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(r.topLeft(), size), image);
        }
        if (e.frame) {
            painter.setPen(pen);
            painter.drawRect(r);
        }
        return;
    }
    case ElementKind::Text:
    case ElementKind::Field:
    case ElementKind::Expression:
        break;
    }
    if (e.background.isValid())
        painter.fillRect(r, e.background);
    if (e.frame) {
        painter.setPen(pen);
        painter.drawRect(r);
    }
    const QString text = e.kind == ElementKind::Text ? e.text : value;
    if (text.isEmpty())
        return;
    QFont font(e.fontFamily);
    font.setPointSizeF(e.fontSize);
    font.setBold(e.bold);
    font.setItalic(e.italic);
    painter.setFont(font);
    painter.setPen(e.color);
    const QRectF inner = r.adjusted(0.5 * k, 0, -0.5 * k, 0);
    if (e.wordWrap) {
        painter.drawText(inner, int(e.alignment) | Qt::TextWordWrap, text);
        return;
    }
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(inner, int(e.alignment) | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideRight, inner.width()));
}

void ReportDocument::paintPage(int index, QPainter& painter, double k) const
{
    const Page& p = page(index);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const PlacedBand& placed : p.bands) {
        const Band& band = layout_.bands.at(placed.band);
        for (qsizetype i = 0; i < band.elements.size(); ++i) {
            const Element& e = band.elements.at(i);
            const QRectF rect = e.rect.translated(layout_.margins.left(), placed.top);
            paintElement(painter, e, rect, placed.texts.value(i), k);
        }
    }
    painter.restore();
}

QList<PageText> ReportDocument::pageTexts(int index) const
{
    const Page& p = page(index);
    QList<PageText> texts;
    for (const PlacedBand& placed : p.bands) {
        const Band& band = layout_.bands.at(placed.band);
        for (qsizetype i = 0; i < band.elements.size(); ++i) {
            const Element& e = band.elements.at(i);
            const QString text = e.kind == ElementKind::Text ? e.text : placed.texts.value(i);
            if (text.isEmpty())
                continue;
            texts.append({e.rect.translated(layout_.margins.left(), placed.top), text, e.alignment});
        }
    }
    std::stable_sort(texts.begin(), texts.end(), [](const PageText& a, const PageText& b) {
        if (std::abs(a.rect.top() - b.rect.top()) > 1.0)
            return a.rect.top() < b.rect.top();
        return a.rect.left() < b.rect.left();
    });
    return texts;
}

} // namespace pelmora::reports
