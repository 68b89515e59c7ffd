#include "toolkit/widgets/GridHeaderView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace pelmora::toolkit
{

namespace
{
constexpr int kButtonWidth = 14;
}

GridHeaderView::GridHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("gridHeader"));
    setSectionsClickable(true);
    setHighlightSections(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (!m_endingDrag)
            emit sortRequested(logical);
    });
}

void GridHeaderView::setFilterButtonsVisible(bool visible)
{
    m_filterButtons = visible;
    viewport()->update();
}

bool GridHeaderView::filterButtonsVisible() const
{
    return m_filterButtons;
}

void GridHeaderView::setFilterableTest(std::function<bool(int)> test)
{
    m_filterable = std::move(test);
}

void GridHeaderView::setFilteredSections(const QSet<int>& sections)
{
    m_filtered = sections;
    viewport()->update();
}

void GridHeaderView::setSortArrow(int logical, Qt::SortOrder order)
{
    m_sortSection = logical;
    m_sortOrder = order;
    viewport()->update();
}

void GridHeaderView::setDragOutEnabled(bool enabled)
{
    m_dragOut = enabled;
}

void GridHeaderView::setFieldNameOf(std::function<QString(int)> fieldName)
{
    m_fieldName = std::move(fieldName);
}

bool GridHeaderView::hasButton(int logical) const
{
    return m_filterButtons && (!m_filterable || m_filterable(logical));
}

bool GridHeaderView::showsButton(int logical) const
{
    return hasButton(logical) && (logical == m_hoverSection || m_filtered.contains(logical));
}

void GridHeaderView::setHoverSection(int logical)
{
    if (logical == m_hoverSection)
        return;
    m_hoverSection = logical;
    viewport()->update();
}

void GridHeaderView::leaveEvent(QEvent* event)
{
    setHoverSection(-1);
    QHeaderView::leaveEvent(event);
}

QRect GridHeaderView::buttonRectIn(const QRect& section) const
{
    return QRect(section.right() - kButtonWidth, section.top() + 1, kButtonWidth, section.height() - 2);
}

QRect GridHeaderView::filterButtonRect(int logical) const
{
    if (!hasButton(logical) || isSectionHidden(logical))
        return {};
    const QRect section(sectionViewportPosition(logical), 0, sectionSize(logical), height());
    return buttonRectIn(section);
}

QSize GridHeaderView::sectionSizeFromContents(int logical) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logical);
    if (hasButton(logical))
        size.rwidth() += kButtonWidth;
    return size;
}

void GridHeaderView::paintSection(QPainter* painter, const QRect& rect, int logical) const
{
    paintCaption(painter, rect, logical);
    // The sort arrow: a small one of the header's own, so that no caption needs room for it.
    if (logical != m_sortSection)
        return;
    // At the right end, left of the filter button while that shows.
    const int x = rect.right() - (showsButton(logical) ? kButtonWidth : 0) - 8;
    const int top = rect.center().y() - 2;
    QPolygon triangle;
    if (m_sortOrder == Qt::AscendingOrder)
        triangle << QPoint(x - 4, top + 4) << QPoint(x + 4, top + 4) << QPoint(x, top);
    else
        triangle << QPoint(x - 4, top) << QPoint(x + 4, top) << QPoint(x, top + 4);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::WindowText));
    painter->drawPolygon(triangle);
    painter->restore();
}

void GridHeaderView::paintCaption(QPainter* painter, const QRect& rect, int logical) const
{
    if (!showsButton(logical)) {
        QHeaderView::paintSection(painter, rect, logical);
        return;
    }
    painter->save();
    QHeaderView::paintSection(painter, rect.adjusted(0, 0, -kButtonWidth, 0), logical);
    painter->restore();
    // The strip under the button keeps the section's look.
    QStyleOptionHeader strip;
    initStyleOption(&strip);
    strip.rect = QRect(rect.right() - kButtonWidth + 1, rect.top(), kButtonWidth, rect.height());
    strip.section = logical;
    style()->drawControl(QStyle::CE_HeaderSection, &strip, painter, this);

    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = buttonRectIn(rect).adjusted(2, 4, -2, -4);
    const bool filtered = m_filtered.contains(logical);
    if (filtered) {
        arrow.palette.setColor(QPalette::ButtonText, palette().color(QPalette::Highlight));
        arrow.palette.setColor(QPalette::WindowText, palette().color(QPalette::Highlight));
        painter->fillRect(buttonRectIn(rect).adjusted(1, 1, -1, -1), palette().color(QPalette::Highlight).lighter(170));
    }
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, this);
}

void GridHeaderView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    m_pressedSection = logicalIndexAt(pos);
    m_pressPos = pos;
    m_pressOnButton = false;
    if (event->button() == Qt::LeftButton && m_pressedSection >= 0 &&
        filterButtonRect(m_pressedSection).contains(pos)) {
        m_pressOnButton = true;
        event->accept();
        return;
    }
    QHeaderView::mousePressEvent(event);
}

bool GridHeaderView::leftVertically(const QPoint& pos) const
{
    // Above or below the header by more than a jitter, at any slant and any speed.
    const int margin = QApplication::startDragDistance();
    return pos.y() < -margin || pos.y() > height() + margin;
}

void GridHeaderView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton))
        setHoverSection(rect().contains(pos) ? logicalIndexAt(pos) : -1);
    if (m_pressOnButton)
        return;
    // Out of the header (not along it): carry the column away, even when the header has begun
    // to move the section meanwhile.
    if (m_dragOut && (event->buttons() & Qt::LeftButton) && m_pressedSection >= 0 &&
        cursor().shape() != Qt::SplitHCursor && leftVertically(pos)) {
        const int section = m_pressedSection;
        m_pressedSection = -1;
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(kColumnMimeType),
                      (m_fieldName ? m_fieldName(section) : QString::number(section)).toUtf8());
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        const QRect sectionRect(sectionViewportPosition(section), 0, sectionSize(section), height());
        drag->setPixmap(viewport()->grab(sectionRect));
        emit columnDraggedOut(section);
        // The drag takes the release: end the press (and any move of the section, which goes
        // back where it was) before the drag starts.
        const QPointF back(m_pressPos);
        QMouseEvent home(QEvent::MouseMove, back, mapToGlobal(back), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QHeaderView::mouseMoveEvent(&home);
        QMouseEvent release(QEvent::MouseButtonRelease, back, mapToGlobal(back), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        m_endingDrag = true;
        QHeaderView::mouseReleaseEvent(&release);
        m_endingDrag = false;
        drag->exec(Qt::MoveAction);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void GridHeaderView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressOnButton) {
        m_pressOnButton = false;
        const QPoint pos = event->position().toPoint();
        const int logical = logicalIndexAt(pos);
        if (logical == m_pressedSection && filterButtonRect(logical).contains(pos)) {
            const QRect section(sectionViewportPosition(logical), 0, sectionSize(logical), height());
            emit filterButtonClicked(logical, QRect(viewport()->mapToGlobal(section.topLeft()), section.size()));
        }
        m_pressedSection = -1;
        return;
    }
    m_pressedSection = -1;
    QHeaderView::mouseReleaseEvent(event);
}

RowIndicatorHeader::RowIndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    setObjectName(QStringLiteral("rowIndicator"));
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize RowIndicatorHeader::sizeHint() const
{
    return QSize(14, QHeaderView::sizeHint().height());
}

QSize RowIndicatorHeader::sectionSizeFromContents(int) const
{
    return QSize(14, defaultSectionSize());
}

void RowIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logical) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logical;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    const auto* view = qobject_cast<const QAbstractItemView*>(parentWidget());
    if (!view || view->currentIndex().row() != logical)
        return;
    QStyleOption arrow;
    arrow.initFrom(this);
    const int side = qMin(rect.width(), rect.height()) - 4;
    arrow.rect = QRect(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &arrow, painter, this);
}

} // namespace pelmora::toolkit
