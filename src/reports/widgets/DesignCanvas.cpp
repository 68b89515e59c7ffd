#include "reports/widgets/DesignCanvas.h"

#include "reports/ReportDocument.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace pelmora::reports
{

namespace
{
constexpr int kMargin = 12; // pixels around the page
constexpr int kHandle = 7;  // pixels of a resize handle
const QColor kStripColor(0xdd, 0xe3, 0xec);
const QColor kBandColor(Qt::white);
const QColor kGuide(0xc8, 0xcc, 0xd4);
const QColor kSelection(0x1e, 0x6e, 0xd8);

QString placeholderOf(const Element& e)
{
    switch (e.kind) {
    case ElementKind::Field:
        return QLatin1Char('[') + e.text + QLatin1Char(']');
    case ElementKind::Expression:
        return QLatin1Char('=') + e.text;
    default:
        return e.text;
    }
}
} // namespace

DesignCanvas::DesignCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("designCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setMouseTracking(true);
}

void DesignCanvas::setLayout(const ReportLayout& layout)
{
    layout_ = layout;
    if (selection_.band >= layout_.bands.size() ||
        (selection_.band >= 0 && selection_.element >= layout_.bands.at(selection_.band).elements.size()))
        selection_ = {};
    updateGeometry();
    resize(sizeHint());
    update();
    emit selectionChanged();
}

void DesignCanvas::setZoom(double pixelsPerMm)
{
    scale_ = pixelsPerMm;
    updateGeometry();
    resize(sizeHint());
    update();
}

QSize DesignCanvas::sizeHint() const
{
    double height = 0;
    for (const Band& b : layout_.bands)
        height += kStrip + b.height * scale_;
    return {int(layout_.pageSize.width() * scale_) + 2 * kMargin, int(height) + 2 * kMargin + 1};
}

int DesignCanvas::bandTop(int band) const
{
    double y = kMargin;
    for (int i = 0; i < band; ++i)
        y += kStrip + layout_.bands.at(i).height * scale_;
    return int(y) + kStrip;
}

QRect DesignCanvas::bandRect(int band) const
{
    const int left = kMargin + int(layout_.margins.left() * scale_);
    return QRect(left, bandTop(band), int(layout_.bodyWidth() * scale_), int(layout_.bands.at(band).height * scale_));
}

QRect DesignCanvas::elementRect(int band, int element) const
{
    const QRect b = bandRect(band);
    const QRectF r = layout_.bands.at(band).elements.at(element).rect;
    return QRect(b.left() + int(r.x() * scale_), b.top() + int(r.y() * scale_), std::max(3, int(r.width() * scale_)),
                 std::max(3, int(r.height() * scale_)));
}

int DesignCanvas::bandAt(const QPoint& point, QPointF* inBand) const
{
    for (int i = 0; i < layout_.bands.size(); ++i) {
        const QRect r = bandRect(i);
        if (point.y() >= r.top() - kStrip && point.y() <= r.bottom() + 1) {
            if (inBand)
                *inBand = QPointF((point.x() - r.left()) / scale_, std::max(0, point.y() - r.top()) / scale_);
            return i;
        }
    }
    return -1;
}

void DesignCanvas::select(const DesignSelection& selection)
{
    if (selection == selection_)
        return;
    selection_ = selection;
    update();
    emit selectionChanged();
}

Element* DesignCanvas::selectedElement()
{
    if (selection_.band < 0 || selection_.element < 0)
        return nullptr;
    return &layout_.bands[selection_.band].elements[selection_.element];
}

void DesignCanvas::commit(const QString& what)
{
    updateGeometry();
    resize(sizeHint());
    update();
    emit changed(layout_, what);
}

bool DesignCanvas::placeField(const QString& field, const QPoint& point)
{
    QPointF at;
    const int band = bandAt(point, &at);
    if (band < 0)
        return false;
    Element e;
    e.kind = ElementKind::Field;
    e.text = field;
    const double height = std::min(5.0, layout_.bands.at(band).height);
    e.rect = QRectF(std::clamp(at.x(), 0.0, std::max(0.0, layout_.bodyWidth() - 35)),
                    std::clamp(at.y(), 0.0, std::max(0.0, layout_.bands.at(band).height - height)), 35, height);
    layout_.bands[band].elements.append(e);
    selection_ = {band, int(layout_.bands.at(band).elements.size()) - 1};
    emit selectionChanged();
    commit(QStringLiteral("Place %1").arg(field));
    return true;
}

void DesignCanvas::addElement(ElementKind kind, const QByteArray& image)
{
    int band = selection_.band;
    if (band < 0)
        for (int i = 0; i < layout_.bands.size(); ++i)
            if (layout_.bands.at(i).kind == BandKind::Detail)
                band = i;
    if (band < 0 && !layout_.bands.isEmpty())
        band = 0;
    if (band < 0)
        return;
    Element e;
    e.kind = kind;
    const double h = std::min(kind == ElementKind::Image ? 20.0 : 5.0, std::max(1.0, layout_.bands.at(band).height));
    e.rect = QRectF(0, 0, kind == ElementKind::Image ? 30 : 40, kind == ElementKind::Line ? 0 : h);
    if (kind == ElementKind::Text)
        e.text = QStringLiteral("Text");
    if (kind == ElementKind::Expression)
        e.text = QStringLiteral("Page()");
    e.image = image;
    layout_.bands[band].elements.append(e);
    selection_ = {band, int(layout_.bands.at(band).elements.size()) - 1};
    emit selectionChanged();
    commit(QStringLiteral("Add %1").arg(ReportLayout::elementKindName(kind)));
}

void DesignCanvas::deleteSelection()
{
    if (!selectedElement())
        return;
    layout_.bands[selection_.band].elements.removeAt(selection_.element);
    selection_.element = -1;
    emit selectionChanged();
    commit(QStringLiteral("Delete"));
}

void DesignCanvas::nudge(double dx, double dy)
{
    Element* e = selectedElement();
    if (!e)
        return;
    const Band& band = layout_.bands.at(selection_.band);
    e->rect.moveLeft(std::clamp(e->rect.x() + dx, 0.0, std::max(0.0, layout_.bodyWidth() - e->rect.width())));
    e->rect.moveTop(std::clamp(e->rect.y() + dy, 0.0, std::max(0.0, band.height - e->rect.height())));
    commit(QStringLiteral("Move"));
}

void DesignCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRect page(kMargin, kMargin, int(layout_.pageSize.width() * scale_), sizeHint().height() - 2 * kMargin - 1);
    painter.fillRect(page, kBandColor);
    const double dotsPerMm = scale_;
    QFont caption = font();
    caption.setPointSizeF(7.5);
    for (int b = 0; b < layout_.bands.size(); ++b) {
        const Band& band = layout_.bands.at(b);
        const QRect area = bandRect(b);
        const QRect strip(page.left(), area.top() - kStrip, page.width(), kStrip);
        const bool chosen = selection_.band == b && selection_.element < 0;
        painter.fillRect(strip, chosen ? kSelection.lighter(170) : kStripColor);
        painter.setPen(Qt::black);
        painter.setFont(caption);
        QString text = ReportLayout::kindCaption(band.kind);
        if (!band.groupField.isEmpty())
            text += QStringLiteral(": ") + band.groupField;
        if (band.newPageBefore)
            text += QStringLiteral(" (new page)");
        painter.drawText(strip.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.setPen(QPen(kGuide, 1, Qt::DotLine));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        painter.save();
        painter.setClipRect(QRect(page.left(), area.top(), page.width(), area.height()));
        painter.translate(area.topLeft());
        for (int i = 0; i < band.elements.size(); ++i) {
            const Element& e = band.elements.at(i);
            Element shown = e;
            if (e.kind == ElementKind::Field || e.kind == ElementKind::Expression)
                shown.color = e.color == Qt::black ? QColor(0x20, 0x40, 0x90) : e.color;
            // Fonts are drawn at the page's scale: points follow the zoom.
            shown.fontSize = e.fontSize * (scale_ * 25.4 / logicalDpiY());
            ReportDocument::paintElement(painter, shown, e.rect, placeholderOf(e), dotsPerMm);
            if (e.kind != ElementKind::Line && !e.frame && e.kind != ElementKind::Rectangle) {
                painter.setPen(QPen(kGuide, 1, Qt::DotLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(QRectF(e.rect.x() * scale_, e.rect.y() * scale_, e.rect.width() * scale_,
                                        e.rect.height() * scale_));
            }
        }
        painter.restore();
    }
    if (selection_.band >= 0 && selection_.element >= 0) {
        const QRect r = elementRect(selection_.band, selection_.element);
        painter.setPen(QPen(kSelection, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(-1, -1, 0, 0));
        painter.fillRect(QRect(r.right() - kHandle / 2, r.bottom() - kHandle / 2, kHandle, kHandle), kSelection);
    }
}

void DesignCanvas::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    dragMoved_ = false;
    // The chosen element's handle first, then the topmost element under the point.
    if (selection_.band >= 0 && selection_.element >= 0) {
        const QRect r = elementRect(selection_.band, selection_.element);
        if (QRect(r.right() - kHandle, r.bottom() - kHandle, 2 * kHandle, 2 * kHandle).contains(p)) {
            drag_ = Drag::Resize;
            dragStart_ = p;
            dragOriginal_ = selectedElement()->rect;
            return;
        }
    }
    for (int b = 0; b < layout_.bands.size(); ++b) {
        const QRect area = bandRect(b);
        if (std::abs(p.y() - (area.bottom() + 1)) <= 2) {
            select({b, -1});
            drag_ = Drag::BandHeight;
            dragStart_ = p;
            bandOriginal_ = layout_.bands.at(b).height;
            return;
        }
        for (int i = int(layout_.bands.at(b).elements.size()) - 1; i >= 0; --i)
            if (elementRect(b, i).adjusted(-2, -2, 2, 2).contains(p)) {
                select({b, i});
                drag_ = Drag::Move;
                dragStart_ = p;
                dragOriginal_ = selectedElement()->rect;
                return;
            }
    }
    const int band = bandAt(p);
    select({band, -1});
    drag_ = Drag::None;
}

void DesignCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (drag_ == Drag::None || !(event->buttons() & Qt::LeftButton)) {
        bool onEdge = false;
        for (int b = 0; b < layout_.bands.size() && !onEdge; ++b)
            onEdge = std::abs(p.y() - (bandRect(b).bottom() + 1)) <= 2;
        setCursor(onEdge ? Qt::SizeVerCursor : Qt::ArrowCursor);
        return;
    }
    const QPointF d = QPointF(p - dragStart_) / scale_;
    if (!dragMoved_ && (p - dragStart_).manhattanLength() < 3)
        return;
    dragMoved_ = true;
    if (drag_ == Drag::BandHeight) {
        Band& band = layout_.bands[selection_.band];
        double lowest = 0;
        for (const Element& e : band.elements)
            lowest = std::max(lowest, e.rect.bottom());
        band.height = std::clamp(std::round((bandOriginal_ + d.y()) * 4) / 4, lowest, layout_.bodyHeight());
        updateGeometry();
        resize(sizeHint());
        update();
        return;
    }
    Element* e = selectedElement();
    if (!e)
        return;
    const Band& band = layout_.bands.at(selection_.band);
    // Snapped to quarter millimetres, kept inside the band.
    auto snap = [](double v) { return std::round(v * 4) / 4; };
    if (drag_ == Drag::Move) {
        e->rect.moveLeft(std::clamp(snap(dragOriginal_.x() + d.x()), 0.0,
                                    std::max(0.0, layout_.bodyWidth() - dragOriginal_.width())));
        e->rect.moveTop(
            std::clamp(snap(dragOriginal_.y() + d.y()), 0.0, std::max(0.0, band.height - dragOriginal_.height())));
    } else {
        e->rect.setWidth(std::clamp(snap(dragOriginal_.width() + d.x()), 1.0, layout_.bodyWidth() - e->rect.x()));
        const double minHeight = e->kind == ElementKind::Line ? 0.0 : 1.0;
        e->rect.setHeight(std::clamp(snap(dragOriginal_.height() + d.y()), minHeight, band.height - e->rect.y()));
    }
    update();
}

void DesignCanvas::mouseReleaseEvent(QMouseEvent*)
{
    const Drag drag = drag_;
    drag_ = Drag::None;
    if (!dragMoved_)
        return;
    emit selectionChanged();
    commit(drag == Drag::Resize       ? QStringLiteral("Resize")
           : drag == Drag::BandHeight ? QStringLiteral("Band height")
                                      : QStringLiteral("Move"));
}

void DesignCanvas::keyPressEvent(QKeyEvent* event)
{
    const double step = (event->modifiers() & Qt::ShiftModifier) ? 0.25 : 1.0;
    switch (event->key()) {
    case Qt::Key_Left:
        nudge(-step, 0);
        return;
    case Qt::Key_Right:
        nudge(step, 0);
        return;
    case Qt::Key_Up:
        nudge(0, -step);
        return;
    case Qt::Key_Down:
        nudge(0, step);
        return;
    case Qt::Key_Delete:
        deleteSelection();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DesignCanvas::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(kFieldMime))
        event->acceptProposedAction();
}

void DesignCanvas::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(kFieldMime) && bandAt(event->position().toPoint()) >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
}

void DesignCanvas::dropEvent(QDropEvent* event)
{
    const QString field = QString::fromUtf8(event->mimeData()->data(kFieldMime));
    if (!field.isEmpty() && placeField(field, event->position().toPoint()))
        event->acceptProposedAction();
}

} // namespace pelmora::reports
