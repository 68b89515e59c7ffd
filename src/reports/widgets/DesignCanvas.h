#pragma once

#include "reports/ReportLayout.h"

#include <QWidget>
#include <functional>

namespace pelmora::reports
{

// Where an element or a band stands in a layout.
struct DesignSelection {
    int band = -1;
    int element = -1; // -1: the band itself
    bool operator==(const DesignSelection&) const = default;
};

// The designer's page: the bands drawn to scale one under the other, each under a caption
// strip, with their elements. Elements are chosen with a click, moved by dragging, resized
// by their corner handle and nudged with the arrow keys (Shift: finer); a band's height
// follows its lower edge; fields dropped from the field list become field elements.
// Every finished change goes out through changed() with the whole layout.
class DesignCanvas : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kStrip = 16; // pixels of a band's caption strip
    static inline const QString kFieldMime = QStringLiteral("application/x-pelmora-field");

    explicit DesignCanvas(QWidget* parent = nullptr);

    void setLayout(const ReportLayout& layout);
    const ReportLayout& layout() const { return layout_; }
    void setZoom(double pixelsPerMm);
    double pixelsPerMm() const { return scale_; }

    DesignSelection selection() const { return selection_; }
    void select(const DesignSelection& selection);

    // The band under a point of the canvas (-1: none), and the point in the band's millimetres.
    int bandAt(const QPoint& point, QPointF* inBand = nullptr) const;
    // The element's rectangle on the canvas.
    QRect elementRect(int band, int element) const;
    QRect bandRect(int band) const;

    // Adds a field element of a pipeline's field at a point of the canvas; returns false when
    // the point is in no band.
    bool placeField(const QString& field, const QPoint& point);
    // Adds an element of a kind to the chosen band (or the detail band).
    void addElement(ElementKind kind, const QByteArray& image = {});
    void deleteSelection();
    void nudge(double dxMm, double dyMm);

    QSize sizeHint() const override;

  signals:
    // A finished change: the whole new layout, and what it did (for the undo list).
    void changed(const pelmora::reports::ReportLayout& layout, const QString& what);
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    enum class Drag { None, Move, Resize, BandHeight };
    int bandTop(int band) const; // pixels, top of the band's area (below its strip)
    Element* selectedElement();
    void commit(const QString& what);

    ReportLayout layout_;
    double scale_ = 96.0 / 25.4;
    DesignSelection selection_;
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QRectF dragOriginal_;
    double bandOriginal_ = 0;
    bool dragMoved_ = false;
};

} // namespace pelmora::reports
