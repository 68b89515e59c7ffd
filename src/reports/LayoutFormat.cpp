#include "reports/LayoutFormat.h"

#include "common/Error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pelmora::reports
{

namespace
{
const QString kFormatName = QStringLiteral("pelmora-report");

QJsonArray rectArray(const QRectF& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

QRectF rectOf(const QJsonValue& v)
{
    const QJsonArray a = v.toArray();
    if (a.size() != 4)
        throw Error(QStringLiteral("an element has no position"));
    return {a.at(0).toDouble(), a.at(1).toDouble(), a.at(2).toDouble(), a.at(3).toDouble()};
}

QString alignmentName(Qt::Alignment a)
{
    QString h = QStringLiteral("left");
    if (a & Qt::AlignRight)
        h = QStringLiteral("right");
    else if (a & Qt::AlignHCenter)
        h = QStringLiteral("center");
    QString v = QStringLiteral("middle");
    if (a & Qt::AlignTop)
        v = QStringLiteral("top");
    else if (a & Qt::AlignBottom)
        v = QStringLiteral("bottom");
    return h + QLatin1Char(' ') + v;
}

Qt::Alignment alignmentOf(const QString& text)
{
    Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter;
    if (text.contains(QLatin1String("right")))
        a = (a & ~Qt::AlignHorizontal_Mask) | Qt::AlignRight;
    else if (text.contains(QLatin1String("center")))
        a = (a & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter;
    if (text.contains(QLatin1String("top")))
        a = (a & ~Qt::AlignVertical_Mask) | Qt::AlignTop;
    else if (text.contains(QLatin1String("bottom")))
        a = (a & ~Qt::AlignVertical_Mask) | Qt::AlignBottom;
    return a;
}

QJsonObject elementObject(const Element& e)
{
    const Element defaults;
    QJsonObject o{{QStringLiteral("kind"), ReportLayout::elementKindName(e.kind)},
                  {QStringLiteral("rect"), rectArray(e.rect)}};
    if (!e.text.isEmpty())
        o.insert(QStringLiteral("text"), e.text);
    if (e.kind != ElementKind::Line && e.kind != ElementKind::Rectangle && e.kind != ElementKind::Image) {
        o.insert(QStringLiteral("font"), QJsonObject{{QStringLiteral("family"), e.fontFamily},
                                                     {QStringLiteral("size"), e.fontSize},
                                                     {QStringLiteral("bold"), e.bold},
                                                     {QStringLiteral("italic"), e.italic}});
        o.insert(QStringLiteral("align"), alignmentName(e.alignment));
        if (e.wordWrap)
            o.insert(QStringLiteral("wrap"), true);
    }
    if (e.frame)
        o.insert(QStringLiteral("frame"), true);
    if (e.color != defaults.color)
        o.insert(QStringLiteral("color"), e.color.name(QColor::HexArgb));
    if (e.background.isValid())
        o.insert(QStringLiteral("background"), e.background.name(QColor::HexArgb));
    if (e.lineWidth != defaults.lineWidth)
        o.insert(QStringLiteral("lineWidth"), e.lineWidth);
    if (!e.format.isEmpty())
        o.insert(QStringLiteral("format"), e.format);
    if (!e.image.isEmpty())
        o.insert(QStringLiteral("image"), QString::fromLatin1(e.image.toBase64()));
    return o;
}

Element elementOf(const QJsonObject& o)
{
    Element e;
    if (!ReportLayout::elementKindFromName(o.value(QStringLiteral("kind")).toString(), &e.kind))
        throw Error(
            QStringLiteral("an element is of an unknown kind \"%1\"").arg(o.value(QStringLiteral("kind")).toString()));
    e.rect = rectOf(o.value(QStringLiteral("rect")));
    e.text = o.value(QStringLiteral("text")).toString();
    const QJsonObject font = o.value(QStringLiteral("font")).toObject();
    e.fontFamily = font.value(QStringLiteral("family")).toString(e.fontFamily);
    e.fontSize = font.value(QStringLiteral("size")).toDouble(e.fontSize);
    e.bold = font.value(QStringLiteral("bold")).toBool();
    e.italic = font.value(QStringLiteral("italic")).toBool();
    if (o.contains(QStringLiteral("align")))
        e.alignment = alignmentOf(o.value(QStringLiteral("align")).toString());
    e.wordWrap = o.value(QStringLiteral("wrap")).toBool();
    e.frame = o.value(QStringLiteral("frame")).toBool();
    if (o.contains(QStringLiteral("color")))
        e.color = QColor(o.value(QStringLiteral("color")).toString());
    if (o.contains(QStringLiteral("background")))
        e.background = QColor(o.value(QStringLiteral("background")).toString());
    e.lineWidth = o.value(QStringLiteral("lineWidth")).toDouble(e.lineWidth);
    e.format = o.value(QStringLiteral("format")).toString();
    e.image = QByteArray::fromBase64(o.value(QStringLiteral("image")).toString().toLatin1());
    return e;
}
} // namespace

QByteArray LayoutFormat::write(const ReportLayout& layout)
{
    QJsonArray bands;
    for (const Band& b : layout.bands) {
        QJsonObject band{{QStringLiteral("kind"), ReportLayout::kindName(b.kind)},
                         {QStringLiteral("height"), b.height}};
        if (!b.groupField.isEmpty())
            band.insert(QStringLiteral("groupField"), b.groupField);
        if (b.newPageBefore)
            band.insert(QStringLiteral("newPageBefore"), true);
        QJsonArray elements;
        for (const Element& e : b.elements)
            elements.append(elementObject(e));
        band.insert(QStringLiteral("elements"), elements);
        bands.append(band);
    }
    const QJsonObject root{
        {QStringLiteral("format"), kFormatName},
        {QStringLiteral("version"), ReportLayout::kFormatVersion},
        {QStringLiteral("name"), layout.name},
        {QStringLiteral("page"),
         QJsonObject{{QStringLiteral("width"), layout.pageSize.width()},
                     {QStringLiteral("height"), layout.pageSize.height()},
                     {QStringLiteral("margins"), QJsonArray{layout.margins.left(), layout.margins.top(),
                                                            layout.margins.right(), layout.margins.bottom()}}}},
        {QStringLiteral("zoom"), layout.zoom},
        {QStringLiteral("mainPipeline"), layout.mainPipeline},
        {QStringLiteral("detailPipeline"), layout.detailPipeline},
        {QStringLiteral("bands"), bands},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

ReportLayout LayoutFormat::read(const QByteArray& text)
{
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("The layout is damaged and cannot be read (%1 at character %2).")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(QStringLiteral("format")).toString() != kFormatName)
        throw Error(QStringLiteral("The layout is damaged and cannot be read (it is not a report layout)."));
    const int version = root.value(QStringLiteral("version")).toInt(0);
    if (version < 1)
        throw Error(QStringLiteral("The layout is damaged and cannot be read (it has no format version)."));
    if (version > ReportLayout::kFormatVersion)
        throw Error(QStringLiteral("The layout was saved by a newer version of Pelmora (layout format %1; this "
                                   "version reads up to %2). It is left as it is.")
                        .arg(version)
                        .arg(ReportLayout::kFormatVersion));
    try {
        ReportLayout layout;
        layout.name = root.value(QStringLiteral("name")).toString();
        const QJsonObject page = root.value(QStringLiteral("page")).toObject();
        layout.pageSize = QSizeF(page.value(QStringLiteral("width")).toDouble(layout.pageSize.width()),
                                 page.value(QStringLiteral("height")).toDouble(layout.pageSize.height()));
        const QJsonArray m = page.value(QStringLiteral("margins")).toArray();
        if (m.size() == 4)
            layout.margins = QMarginsF(m.at(0).toDouble(), m.at(1).toDouble(), m.at(2).toDouble(), m.at(3).toDouble());
        if (layout.pageSize.width() <= 0 || layout.pageSize.height() <= 0 || layout.bodyWidth() <= 0 ||
            layout.bodyHeight() <= 0)
            throw Error(QStringLiteral("the page has no room inside its margins"));
        layout.zoom = root.value(QStringLiteral("zoom")).toInt(layout.zoom);
        layout.mainPipeline = root.value(QStringLiteral("mainPipeline")).toString(layout.mainPipeline);
        layout.detailPipeline = root.value(QStringLiteral("detailPipeline")).toString(layout.detailPipeline);
        for (const QJsonValue& bv : root.value(QStringLiteral("bands")).toArray()) {
            const QJsonObject bo = bv.toObject();
            Band band;
            if (!ReportLayout::kindFromName(bo.value(QStringLiteral("kind")).toString(), &band.kind))
                throw Error(QStringLiteral("a band is of an unknown kind \"%1\"")
                                .arg(bo.value(QStringLiteral("kind")).toString()));
            band.height = bo.value(QStringLiteral("height")).toDouble(-1);
            if (band.height < 0 || band.height > layout.bodyHeight())
                throw Error(QStringLiteral("a band's height does not fit the page"));
            band.groupField = bo.value(QStringLiteral("groupField")).toString();
            band.newPageBefore = bo.value(QStringLiteral("newPageBefore")).toBool();
            for (const QJsonValue& ev : bo.value(QStringLiteral("elements")).toArray())
                band.elements.append(elementOf(ev.toObject()));
            layout.bands.append(band);
        }
        return layout;
    } catch (const Error& e) {
        throw Error(QStringLiteral("The layout is damaged and cannot be read (%1).").arg(e.message()));
    }
}

} // namespace pelmora::reports
