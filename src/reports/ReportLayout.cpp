#include "reports/ReportLayout.h"

#include <array>
#include <utility>

namespace pelmora::reports
{

namespace
{
const std::array<std::pair<BandKind, const char*>, 10> kBandNames{{
    {BandKind::Title, "title"},
    {BandKind::PageHeader, "pageHeader"},
    {BandKind::GroupHeader, "groupHeader"},
    {BandKind::Detail, "detail"},
    {BandKind::SubDetailHeader, "subDetailHeader"},
    {BandKind::SubDetail, "subDetail"},
    {BandKind::SubDetailFooter, "subDetailFooter"},
    {BandKind::GroupFooter, "groupFooter"},
    {BandKind::Summary, "summary"},
    {BandKind::PageFooter, "pageFooter"},
}};

const std::array<std::pair<ElementKind, const char*>, 6> kElementNames{{
    {ElementKind::Text, "text"},
    {ElementKind::Field, "field"},
    {ElementKind::Expression, "expression"},
    {ElementKind::Line, "line"},
    {ElementKind::Rectangle, "rectangle"},
    {ElementKind::Image, "image"},
}};
} // namespace

QPageLayout ReportLayout::pageLayout() const
{
    const QPageSize size(pageSize, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, margins, QPageLayout::Millimeter);
}

void ReportLayout::setPageLayout(const QPageLayout& page)
{
    pageSize = page.fullRect(QPageLayout::Millimeter).size();
    margins = page.margins(QPageLayout::Millimeter);
}

const Band* ReportLayout::band(BandKind kind) const
{
    for (const Band& b : bands)
        if (b.kind == kind)
            return &b;
    return nullptr;
}

Band* ReportLayout::band(BandKind kind)
{
    for (Band& b : bands)
        if (b.kind == kind)
            return &b;
    return nullptr;
}

Band& ReportLayout::addBand(BandKind kind)
{
    // Group headers nest outside in: a new one goes after the existing headers; a new footer
    // goes before the existing footers.
    qsizetype at = 0;
    while (at < bands.size()) {
        const BandKind k = bands.at(at).kind;
        if (kind == BandKind::GroupFooter ? k >= kind : k > kind)
            break;
        ++at;
    }
    Band band;
    band.kind = kind;
    bands.insert(at, band);
    return bands[at];
}

QString ReportLayout::kindName(BandKind kind)
{
    for (const auto& [k, name] : kBandNames)
        if (k == kind)
            return QString::fromLatin1(name);
    return {};
}

bool ReportLayout::kindFromName(const QString& name, BandKind* kind)
{
    for (const auto& [k, n] : kBandNames)
        if (name == QLatin1String(n)) {
            *kind = k;
            return true;
        }
    return false;
}

QString ReportLayout::kindCaption(BandKind kind)
{
    switch (kind) {
    case BandKind::Title:
        return QStringLiteral("Title");
    case BandKind::PageHeader:
        return QStringLiteral("Page header");
    case BandKind::GroupHeader:
        return QStringLiteral("Group header");
    case BandKind::Detail:
        return QStringLiteral("Detail");
    case BandKind::SubDetailHeader:
        return QStringLiteral("Items header");
    case BandKind::SubDetail:
        return QStringLiteral("Items");
    case BandKind::SubDetailFooter:
        return QStringLiteral("Items footer");
    case BandKind::GroupFooter:
        return QStringLiteral("Group footer");
    case BandKind::Summary:
        return QStringLiteral("Summary");
    case BandKind::PageFooter:
        return QStringLiteral("Page footer");
    }
    return {};
}

QString ReportLayout::elementKindName(ElementKind kind)
{
    for (const auto& [k, name] : kElementNames)
        if (k == kind)
            return QString::fromLatin1(name);
    return {};
}

bool ReportLayout::elementKindFromName(const QString& name, ElementKind* kind)
{
    for (const auto& [k, n] : kElementNames)
        if (name == QLatin1String(n)) {
            *kind = k;
            return true;
        }
    return false;
}

} // namespace pelmora::reports
