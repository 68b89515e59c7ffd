#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <Qt>

namespace pelmora::reports
{

// The bands of a layout, in the order a page shows them.
enum class BandKind {
    Title,           // once, at the top of the first page
    PageHeader,      // at the top of every page
    GroupHeader,     // when the value of its group field changes
    Detail,          // once per row of the main pipeline
    SubDetailHeader, // before the detail rows of each main row (repeated on a continued page)
    SubDetail,       // once per row of the detail pipeline
    SubDetailFooter, // after the detail rows of each main row
    GroupFooter,     // after the last row of its group
    Summary,         // once, after the last row
    PageFooter,      // at the bottom of every page
};

enum class ElementKind { Text, Field, Expression, Line, Rectangle, Image };

// One thing drawn in a band. Positions and sizes are millimetres from the band's top left.
struct Element {
    ElementKind kind = ElementKind::Text;
    QRectF rect;
    // Text: the text shown. Field: the field, optionally "Pipeline.Field". Expression: its text.
    QString text;
    QString fontFamily = QStringLiteral("Sans Serif");
    double fontSize = 9; // points
    bool bold = false;
    bool italic = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false;
    bool frame = false; // a border around the element's box
    QColor color = Qt::black;
    QColor background;      // invalid: transparent
    double lineWidth = 0.2; // mm, for frames, lines and rectangles
    // How values show: "" as they are, "money" (two decimals with grouping), "number", "integer",
    // "date", "time", "datetime", or a Qt date/time format text such as "dd MMM yyyy".
    QString format;
    QByteArray image; // Image: the picture's file bytes (PNG or JPEG)

    bool operator==(const Element&) const = default;
};

struct Band {
    BandKind kind = BandKind::Detail;
    double height = 6;          // mm
    QString groupField;         // group bands: the field whose change starts a new group
    bool newPageBefore = false; // Detail: each row after the first starts a new page
    QList<Element> elements;

    bool operator==(const Band&) const = default;
};

// A banded report layout.
struct ReportLayout {
    static constexpr int kFormatVersion = 1;
    static inline const QString kOrdersPipeline = QStringLiteral("DBPipelineOrders");
    static inline const QString kCurrentOrderPipeline = QStringLiteral("DBPipelineCurOrder");
    static inline const QString kItemsPipeline = QStringLiteral("DBPipelineItems");

    QString name;
    QSizeF pageSize{215.9, 279.4}; // Letter, mm
    QMarginsF margins{6.35, 6.35, 6.35, 6.35};
    int zoom = 100; // the preview's zoom, per cent
    QString mainPipeline = kOrdersPipeline;
    QString detailPipeline = kItemsPipeline;
    QList<Band> bands;

    bool operator==(const ReportLayout&) const = default;

    // The printable width and height inside the margins, mm.
    double bodyWidth() const { return pageSize.width() - margins.left() - margins.right(); }
    double bodyHeight() const { return pageSize.height() - margins.top() - margins.bottom(); }

    // The page as a printer sees it, and back.
    QPageLayout pageLayout() const;
    void setPageLayout(const QPageLayout& page);

    // The first band of a kind, or null.
    const Band* band(BandKind kind) const;
    Band* band(BandKind kind);
    // Adds a band of a kind where it belongs in the band order; returns it.
    Band& addBand(BandKind kind);

    static QString kindName(BandKind kind);
    static bool kindFromName(const QString& name, BandKind* kind);
    static QString kindCaption(BandKind kind); // as the designer shows it
    static QString elementKindName(ElementKind kind);
    static bool elementKindFromName(const QString& name, ElementKind* kind);
};

} // namespace pelmora::reports
