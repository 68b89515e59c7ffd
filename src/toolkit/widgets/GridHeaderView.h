#pragma once

#include <QHeaderView>
#include <QPoint>
#include <QSet>

#include <functional>

namespace pelmora::toolkit
{

// The column header of a grid: a filter drop-down button in every filterable section, shown
// while the pointer is over the section and, highlighted, while the column is filtered (so
// the caption has the section's whole width otherwise), and a drag of a section out of the
// header, up or down, that carries the column to a group-by box.
class GridHeaderView : public QHeaderView
{
    Q_OBJECT

  public:
    static constexpr const char* kColumnMimeType = "application/x-pelmora-grid-column";

    explicit GridHeaderView(QWidget* parent = nullptr);

    void setFilterButtonsVisible(bool visible);
    bool filterButtonsVisible() const;
    // Which sections show a filter button, and which are filtered now.
    void setFilterableTest(std::function<bool(int logical)> test);
    void setFilteredSections(const QSet<int>& sections);

    // The section that shows the sort arrow (-1: none), and the arrow's direction.
    void setSortArrow(int logical, Qt::SortOrder order);
    int sortArrowSection() const { return m_sortSection; }
    Qt::SortOrder sortArrowOrder() const { return m_sortOrder; }

    // Dragging a section out of the header carries this text (the column's field name).
    void setDragOutEnabled(bool enabled);
    void setFieldNameOf(std::function<QString(int logical)> fieldName);

    QRect filterButtonRect(int logical) const;

  signals:
    void filterButtonClicked(int logical, const QRect& globalSectionRect);
    // A click on a section's caption (not on its filter button, not ending a drag).
    void sortRequested(int logical);
    void columnDraggedOut(int logical);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
    QSize sectionSizeFromContents(int logical) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void paintCaption(QPainter* painter, const QRect& rect, int logical) const;
    QRect buttonRectIn(const QRect& section) const;
    bool hasButton(int logical) const;
    bool showsButton(int logical) const;
    void setHoverSection(int logical);
    bool leftVertically(const QPoint& pos) const;

    bool m_filterButtons = false;
    bool m_dragOut = false;
    std::function<bool(int)> m_filterable;
    std::function<QString(int)> m_fieldName;
    QSet<int> m_filtered;
    int m_pressedSection = -1;
    QPoint m_pressPos;
    bool m_pressOnButton = false;
    bool m_endingDrag = false;
    int m_sortSection = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    int m_hoverSection = -1;
};

// The narrow header beside the rows: a mark on the current row, no numbers (so its width
// never depends on the row count). Rows may be resized on its edges.
class RowIndicatorHeader : public QHeaderView
{
    Q_OBJECT

  public:
    explicit RowIndicatorHeader(QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
    QSize sectionSizeFromContents(int logical) const override;
};

} // namespace pelmora::toolkit
