#include "workspace/ShippedReports.h"

#include "reports/ReportRepository.h"

namespace pelmora
{

using namespace reports;

namespace
{
const QColor kShade(0xe8, 0xec, 0xf2);
const QColor kInk(0x22, 0x33, 0x55);

Element text(const QString& value, QRectF rect, double size = 9, bool bold = false,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    Element e;
    e.kind = ElementKind::Text;
    e.text = value;
    e.rect = rect;
    e.fontSize = size;
    e.bold = bold;
    e.alignment = align;
    return e;
}

Element field(const QString& name, QRectF rect, const QString& format = {},
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, double size = 9, bool bold = false)
{
    Element e = text(name, rect, size, bold, align);
    e.kind = ElementKind::Field;
    e.format = format;
    return e;
}

Element expression(const QString& value, QRectF rect, const QString& format = {},
                   Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, double size = 9, bool bold = false)
{
    Element e = field(value, rect, format, align, size, bold);
    e.kind = ElementKind::Expression;
    return e;
}

Element line(QRectF rect, double width = 0.3)
{
    Element e;
    e.kind = ElementKind::Line;
    e.rect = rect;
    e.lineWidth = width;
    e.color = kInk;
    return e;
}

Element shade(QRectF rect)
{
    Element e;
    e.kind = ElementKind::Rectangle;
    e.rect = rect;
    e.background = kShade;
    e.color = kShade;
    return e;
}

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The heading of an invoice or packing slip: the shop, the document's name, the order's number,
// date and payment, and the two addresses.
void addHeading(Band& band, const QString& documentName, bool shipFirst)
{
    band.elements << text(QStringLiteral("Your Shop Name"), {0, 0, 120, 9}, 18, true)
                  << text(QStringLiteral("123 Main Street\nAnytown, ST 12345\nPhone 555-0100 · shop@example.com"),
                          {0, 10, 110, 15}, 9)
                  << text(documentName, {113, 0, 90, 10}, 20, true, kRight);
    band.elements.last().color = kInk;
    band.elements.last().wordWrap = false;
    band.elements[1].wordWrap = true;
    band.elements[1].alignment = Qt::AlignLeft | Qt::AlignTop;
    const QList<QPair<QString, Element>> facts{
        {QStringLiteral("Order no."), field(QStringLiteral("ShopperID"), {163, 11, 40, 5}, {}, kRight)},
        {QStringLiteral("Date"),
         field(QStringLiteral("Invoice_date"), {163, 16, 40, 5}, QStringLiteral("date"), kRight)},
        {QStringLiteral("Payment"), field(QStringLiteral("Payment_method"), {143, 21, 60, 5}, {}, kRight)},
    };
    double y = 11;
    for (const auto& [label, value] : facts) {
        band.elements << text(label, {113, y, 30, 5}, 9, true) << value;
        y += 5;
    }
    auto address = [&band](const QString& caption, const QString& prefix, double x, bool withContact) {
        band.elements << shade({x, 31, 95, 6}) << text(caption, {x + 1, 31, 93, 6}, 9, true);
        QStringList fields{prefix + QStringLiteral("_name"), prefix + QStringLiteral("_company"),
                           prefix + QStringLiteral("_address1"), prefix + QStringLiteral("_address2")};
        double y = 38;
        for (const QString& f : fields) {
            band.elements << field(f, {x + 1, y, 93, 4.6});
            y += 4.6;
        }
        band.elements << expression(QStringLiteral("Trim(%1_state & ' ' & %1_zip)").arg(prefix), {x + 1, y, 93, 4.6});
        y += 4.6;
        band.elements << field(prefix + QStringLiteral("_country"), {x + 1, y, 93, 4.6});
        y += 4.6;
        band.elements << field(prefix + QStringLiteral("_tel"), {x + 1, y, 93, 4.6});
        y += 4.6;
        if (withContact)
            band.elements << field(prefix + QStringLiteral("_email"), {x + 1, y, 93, 4.6});
    };
    address(QStringLiteral("Bill to"), QStringLiteral("Invoice"), shipFirst ? 108 : 0, true);
    address(QStringLiteral("Ship to"), QStringLiteral("Ship"), shipFirst ? 0 : 108, false);
    band.elements.first().color = kInk;
}

ReportLayout base(const QString& name)
{
    ReportLayout layout;
    layout.name = name;
    return layout;
}

// A document per order: each order on a new page under its heading.
ReportLayout perOrder(const QString& name, const QString& documentName, bool shipFirst)
{
    ReportLayout layout = base(name);
    Band& detail = layout.addBand(BandKind::Detail);
    detail.height = 80;
    detail.newPageBefore = true;
    addHeading(detail, documentName, shipFirst);
    return layout;
}

void addFooter(ReportLayout& layout, const QString& note)
{
    Band& footer = layout.addBand(BandKind::PageFooter);
    footer.height = 10;
    footer.elements << line({0, 2, 203.2, 0}, 0.2)
                    << text(note, {0, 3, 203.2, 6}, 9, false, Qt::AlignHCenter | Qt::AlignVCenter);
}

Element message(QRectF rect)
{
    Element e = field(QStringLiteral("Message"), rect);
    e.wordWrap = true;
    e.alignment = Qt::AlignLeft | Qt::AlignTop;
    return e;
}
} // namespace

ReportLayout ShippedReports::invoice()
{
    ReportLayout layout = perOrder(QStringLiteral("Invoice"), QStringLiteral("INVOICE"), false);

    Band& header = layout.addBand(BandKind::SubDetailHeader);
    header.height = 8;
    header.elements << shade({0, 1, 203.2, 6}) << text(QStringLiteral("Code"), {1, 1, 28, 6}, 9, true)
                    << text(QStringLiteral("Description"), {30, 1, 86, 6}, 9, true)
                    << text(QStringLiteral("Qty"), {117, 1, 18, 6}, 9, true, kRight)
                    << text(QStringLiteral("Price"), {136, 1, 32, 6}, 9, true, kRight)
                    << text(QStringLiteral("Amount"), {169, 1, 33, 6}, 9, true, kRight);

    Band& item = layout.addBand(BandKind::SubDetail);
    item.height = 5.5;
    item.elements << field(QStringLiteral("ProductCode"), {1, 0, 28, 5.5})
                  << field(QStringLiteral("Product"), {30, 0, 86, 5.5})
                  << field(QStringLiteral("Qty"), {117, 0, 18, 5.5}, QStringLiteral("number"), kRight)
                  << field(QStringLiteral("Price"), {136, 0, 32, 5.5}, QStringLiteral("money"), kRight)
                  << field(QStringLiteral("Amount"), {169, 0, 33, 5.5}, QStringLiteral("money"), kRight);

    Band& totals = layout.addBand(BandKind::SubDetailFooter);
    totals.height = 46;
    totals.elements << line({0, 1, 203.2, 0});
    const QList<QPair<QString, QString>> sums{
        {QStringLiteral("Subtotal"), QStringLiteral("Sum(Amount)")},
        {QStringLiteral("Discount"), QStringLiteral("Discount")},
        {QStringLiteral("Voucher"), QStringLiteral("Voucher")},
        {QStringLiteral("Shipping"), QStringLiteral("Shipping")},
        {QStringLiteral("Tax"), QStringLiteral("Tax")},
    };
    double y = 3;
    for (const auto& [label, value] : sums) {
        totals.elements << text(label, {136, y, 32, 5}, 9, false, kRight)
                        << expression(value, {169, y, 33, 5}, QStringLiteral("money"), kRight);
        y += 5;
    }
    totals.elements << line({136, y + 0.5, 67.2, 0}) << shade({136, y + 1, 67.2, 7})
                    << text(QStringLiteral("Total"), {136, y + 1, 32, 7}, 11, true, kRight)
                    << field(QStringLiteral("Total"), {169, y + 1, 33, 7}, QStringLiteral("money"), kRight, 11, true)
                    << field(QStringLiteral("Payment_currency"), {136, y + 8, 66, 5}, {}, kRight, 8);
    totals.elements << text(QStringLiteral("Payment method"), {0, 3, 40, 5}, 9, true)
                    << field(QStringLiteral("Payment_method"), {40, 3, 80, 5})
                    << text(QStringLiteral("Message"), {0, 9, 40, 5}, 9, true);
    totals.elements << message({0, 14, 125, 24});

    addFooter(layout, QStringLiteral("Thank you for your order!"));
    return layout;
}

ReportLayout ShippedReports::packingSlip()
{
    ReportLayout layout = perOrder(QStringLiteral("Packing slip"), QStringLiteral("PACKING SLIP"), true);

    Band& header = layout.addBand(BandKind::SubDetailHeader);
    header.height = 8;
    header.elements << shade({0, 1, 203.2, 6}) << text(QStringLiteral("Code"), {1, 1, 35, 6}, 9, true)
                    << text(QStringLiteral("Description"), {37, 1, 100, 6}, 9, true)
                    << text(QStringLiteral("Units"), {138, 1, 25, 6}, 9, true)
                    << text(QStringLiteral("Qty"), {164, 1, 18, 6}, 9, true, kRight)
                    << text(QStringLiteral("Packed"), {184, 1, 19, 6}, 9, true, Qt::AlignHCenter | Qt::AlignVCenter);

    Band& item = layout.addBand(BandKind::SubDetail);
    item.height = 6;
    Element box;
    box.kind = ElementKind::Rectangle;
    box.rect = {191.7, 1.2, 3.6, 3.6};
    item.elements << field(QStringLiteral("ProductCode"), {1, 0, 35, 6})
                  << field(QStringLiteral("Product"), {37, 0, 100, 6})
                  << field(QStringLiteral("Units"), {138, 0, 25, 6})
                  << field(QStringLiteral("Qty"), {164, 0, 18, 6}, QStringLiteral("number"), kRight) << box;

    Band& totals = layout.addBand(BandKind::SubDetailFooter);
    totals.height = 34;
    totals.elements << line({0, 1, 203.2, 0}) << text(QStringLiteral("Lines"), {126, 3, 36, 5}, 9, true, kRight)
                    << expression(QStringLiteral("Count()"), {164, 3, 18, 5}, {}, kRight)
                    << text(QStringLiteral("Units in all"), {126, 8, 36, 5}, 9, true, kRight)
                    << expression(QStringLiteral("Sum(Qty)"), {164, 8, 18, 5}, QStringLiteral("number"), kRight)
                    << text(QStringLiteral("Message"), {0, 3, 40, 5}, 9, true);
    totals.elements << message({0, 8, 125, 24});

    addFooter(layout, QStringLiteral("Please check the goods against this slip on arrival."));
    return layout;
}

ReportLayout ShippedReports::orderList()
{
    ReportLayout layout = base(QStringLiteral("Order list"));
    Band& title = layout.addBand(BandKind::Title);
    title.height = 14;
    title.elements << text(QStringLiteral("Order list"), {0, 0, 120, 10}, 16, true)
                   << expression(QStringLiteral("Now()"), {103.2, 0, 100, 10}, QStringLiteral("datetime"), kRight);
    title.elements.first().color = kInk;

    struct Column {
        const char* caption;
        const char* field;
        double x, width;
        const char* format;
        bool right;
    };
    static const Column columns[] = {
        {"Order no.", "ShopperID", 0, 20, "", false},      {"Date", "Invoice_date", 21, 20, "date", false},
        {"Name", "Invoice_name", 42, 44, "", false},       {"Country", "Invoice_country", 87, 24, "", false},
        {"Payment", "Payment_method", 112, 30, "", false}, {"Status", "Status", 143, 30, "", false},
        {"Total", "Total", 174, 29.2, "money", true},
    };
    Band& header = layout.addBand(BandKind::PageHeader);
    header.height = 7;
    header.elements << shade({0, 0, 203.2, 6});
    Band& detail = layout.addBand(BandKind::Detail);
    detail.height = 5;
    for (const Column& c : columns) {
        const Qt::Alignment align = c.right ? kRight : (Qt::AlignLeft | Qt::AlignVCenter);
        header.elements << text(QString::fromLatin1(c.caption), {c.x + 0.5, 0, c.width - 1, 6}, 9, true, align);
        detail.elements << field(QString::fromLatin1(c.field), {c.x + 0.5, 0, c.width - 1, 5},
                                 QString::fromLatin1(c.format), align, 8.5);
    }

    Band& summary = layout.addBand(BandKind::Summary);
    summary.height = 14;
    summary.elements << line({0, 1, 203.2, 0}) << text(QStringLiteral("Orders"), {0, 3, 25, 6}, 9, true)
                     << expression(QStringLiteral("Count()"), {25, 3, 30, 6}, QStringLiteral("integer"))
                     << text(QStringLiteral("Total of the orders"), {100, 3, 73, 6}, 9, true, kRight)
                     << expression(QStringLiteral("Sum(Total)"), {174, 3, 29.2, 6}, QStringLiteral("money"), kRight, 9,
                                   true);

    Band& footer = layout.addBand(BandKind::PageFooter);
    footer.height = 8;
    footer.elements << line({0, 1, 203.2, 0}, 0.2)
                    << expression(QStringLiteral("'Page ' & Page()"), {0, 2, 203.2, 5}, {},
                                  Qt::AlignHCenter | Qt::AlignVCenter, 8);
    return layout;
}

QList<ReportLayout> ShippedReports::layouts()
{
    return {invoice(), packingSlip(), orderList()};
}

int ShippedReports::install(ReportRepository& repository)
{
    const int folder = repository.addFolder(kFolder, 0);
    for (const ReportLayout& layout : layouts())
        repository.add(folder, layout);
    return folder;
}

} // namespace pelmora
