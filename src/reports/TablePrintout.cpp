#include "reports/TablePrintout.h"

#include "common/Error.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace pelmora::reports
{

namespace
{
const QColor kCaptionShade(0xdd, 0xe3, 0xec);
const QColor kGroupShade(0xee, 0xf1, 0xf5);
const QColor kRule(0xb0, 0xb8, 0xc4);
constexpr double kIndent = 4; // mm per group level
} // namespace

TablePrintout::TablePrintout(Settings settings, QList<TableColumn> columns, QList<TableColumn> groups, RowSource rows)
    : settings_(std::move(settings)), columns_(std::move(columns)), groups_(std::move(groups)), rows_(std::move(rows))
{
    printedAt_ = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    // Grid pixels at 96 per inch; shrunk in proportion when the columns are wider than the page.
    double total = 0;
    for (const TableColumn& c : columns_)
        total += std::max(1.0, c.width) * 25.4 / 96.0;
    const double room = body().width() - kIndent * groups_.size();
    const double scale = total > room && total > 0 ? room / total : 1.0;
    for (const TableColumn& c : columns_)
        widths_ << std::max(1.0, c.width) * 25.4 / 96.0 * scale;
}

TablePrintout::~TablePrintout() = default;

QSizeF TablePrintout::pageSize() const
{
    return settings_.page.fullRect(QPageLayout::Millimeter).size();
}

QRectF TablePrintout::body() const
{
    return settings_.page.paintRect(QPageLayout::Millimeter);
}

double TablePrintout::rowHeight() const
{
    return settings_.fontSize * 0.3528 * 1.6; // points to mm, with leading
}

int TablePrintout::rowsPerPage() const
{
    // The caption row takes one line of every page.
    return std::max(1, int(body().height() / rowHeight()) - 1);
}

QString TablePrintout::text(const TableColumn& column, const QVariant& value) const
{
    if (value.isNull())
        return {};
    return column.format ? column.format(value) : value.toString();
}

bool TablePrintout::ensurePage(int index)
{
    while (pagesBuilt() <= index && !done_)
        buildPage();
    return index >= first_ && index < pagesBuilt();
}

void TablePrintout::buildPage()
{
    if (!started_) {
        started_ = true;
        cursor_ = rows_();
    }
    TablePage page;
    const int capacity = rowsPerPage();
    while (page.lines.size() < capacity) {
        Row row;
        if (pending_) {
            row = std::move(*pending_);
            pending_.reset();
        } else if (!cursor_ || !cursor_->next(row)) {
            done_ = true;
            cursor_.reset();
            break;
        }
        // Group rows for every level from the first whose value changed; they go with their
        // first data row to the next page when it is full.
        QStringList values;
        for (const TableColumn& g : groups_)
            values << text(g, row.value(g.field));
        int changed = int(groups_.size());
        for (int g = 0; g < groups_.size(); ++g)
            if (lastGroups_.size() != groups_.size() || lastGroups_.at(g) != values.at(g)) {
                changed = g;
                break;
            }
        const int needed = int(groups_.size()) - changed + 1;
        if (!page.lines.isEmpty() && page.lines.size() + needed > capacity) {
            pending_ = std::move(row);
            break;
        }
        for (int g = changed; g < groups_.size(); ++g)
            page.lines.append({g, {groups_.at(g).title + QStringLiteral(": ") + values.at(g)}});
        lastGroups_ = values;
        Line line;
        for (const TableColumn& c : columns_)
            line.texts << text(c, row.value(c.field));
        page.lines.append(line);
    }
    if (page.lines.isEmpty() && pagesBuilt() > 0)
        return; // the rows ended exactly at the end of the previous page
    pages_.push_back(std::move(page));
}

void TablePrintout::releasePagesBefore(int index)
{
    while (first_ < index && !pages_.empty()) {
        pages_.pop_front();
        ++first_;
    }
}

void TablePrintout::paintPage(int index, QPainter& painter, double k) const
{
    if (index < first_ || index >= pagesBuilt())
        throw Error(QStringLiteral("Page %1 is not built").arg(index + 1));
    const TablePage& page = pages_.at(size_t(index - first_));
    const QRectF area = body();
    const QSizeF paper = pageSize();
    painter.save();
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(settings_.fontSize);
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, painter.device());
    auto mm = [k](double x, double y, double w, double h) { return QRectF(x * k, y * k, w * k, h * k); };
    auto cell = [&](const QRectF& r, const QString& s, Qt::Alignment a) {
        const QRectF inner = r.adjusted(0.8 * k, 0, -0.8 * k, 0);
        painter.drawText(inner, int(a | Qt::AlignVCenter) | Qt::TextSingleLine,
                         metrics.elidedText(s, Qt::ElideRight, inner.width()));
    };

    // Header and footer at their distances from the paper's edges.
    const double h = rowHeight();
    painter.setFont(bold);
    painter.setPen(Qt::black);
    cell(mm(area.left(), settings_.headerMm, area.width(), h), settings_.title, Qt::AlignLeft);
    painter.setFont(font);
    cell(mm(area.left(), settings_.headerMm, area.width(), h), printedAt_, Qt::AlignRight);
    cell(mm(area.left(), paper.height() - settings_.footerMm - h, area.width(), h),
         QStringLiteral("Page %1").arg(index + 1), Qt::AlignHCenter);

    const double left = area.left() + kIndent * groups_.size();
    double y = area.top();
    auto columnsRow = [&](const QStringList& texts, bool caption) {
        double x = left;
        if (caption)
            painter.fillRect(mm(left, y, area.right() - left, h), kCaptionShade);
        painter.setFont(caption ? bold : font);
        painter.setPen(Qt::black);
        for (int c = 0; c < columns_.size(); ++c) {
            cell(mm(x, y, widths_.at(c), h), texts.value(c), caption ? Qt::AlignLeft : columns_.at(c).alignment);
            x += widths_.at(c);
        }
        QPen rule(kRule);
        rule.setWidthF(std::max(0.1 * k, 1.0));
        painter.setPen(rule);
        painter.drawLine(QPointF(left * k, (y + h) * k), QPointF(x * k, (y + h) * k));
        y += h;
    };
    QStringList captions;
    for (const TableColumn& c : columns_)
        captions << c.title;
    columnsRow(captions, true);
    for (const Line& line : page.lines) {
        if (line.group >= 0) {
            const double x = area.left() + kIndent * line.group;
            painter.fillRect(mm(x, y, area.right() - x, h), kGroupShade);
            painter.setFont(bold);
            painter.setPen(Qt::black);
            cell(mm(x, y, area.right() - x, h), line.texts.value(0), Qt::AlignLeft);
            y += h;
            continue;
        }
        columnsRow(line.texts, false);
    }
    painter.restore();
}

QList<PageText> TablePrintout::pageTexts(int index) const
{
    QList<PageText> texts;
    if (index < first_ || index >= pagesBuilt())
        return texts;
    const TablePage& page = pages_.at(size_t(index - first_));
    const QRectF area = body();
    const double h = rowHeight();
    texts.append({QRectF(area.left(), settings_.headerMm, area.width(), h), settings_.title, Qt::AlignLeft});
    double y = area.top();
    auto row = [&](const QStringList& values) {
        double x = area.left() + kIndent * groups_.size();
        for (int c = 0; c < columns_.size(); ++c) {
            if (!values.value(c).isEmpty())
                texts.append({QRectF(x, y, widths_.at(c), h), values.value(c), columns_.at(c).alignment});
            x += widths_.at(c);
        }
        y += h;
    };
    QStringList captions;
    for (const TableColumn& c : columns_)
        captions << c.title;
    row(captions);
    for (const Line& line : page.lines) {
        if (line.group >= 0) {
            texts.append(
                {QRectF(area.left() + kIndent * line.group, y, area.width(), h), line.texts.value(0), Qt::AlignLeft});
            y += h;
        } else {
            row(line.texts);
        }
    }
    texts.append({QRectF(area.left(), pageSize().height() - settings_.footerMm - h, area.width(), h),
                  QStringLiteral("Page %1").arg(index + 1), Qt::AlignHCenter});
    return texts;
}

} // namespace pelmora::reports
