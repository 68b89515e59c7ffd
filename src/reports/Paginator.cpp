#include "reports/Paginator.h"

#include "common/Error.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <algorithm>

namespace pelmora::reports
{

namespace
{
bool isTemporalFormat(const QString& format)
{
    return format.contains(QLatin1Char('d')) || format.contains(QLatin1Char('M')) ||
           format.contains(QLatin1Char('y')) || format.contains(QLatin1Char('H')) ||
           format.contains(QLatin1Char('h')) || format.contains(QLatin1Char('m'));
}

QDateTime dateTimeOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    if (v.typeId() == QMetaType::QTime)
        return QDateTime(QDate(2000, 1, 1), v.toTime());
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (dt.isValid())
        return dt;
    const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
    if (d.isValid())
        return QDateTime(d, QTime(0, 0));
    const QTime t = QTime::fromString(s, Qt::ISODateWithMs);
    if (t.isValid())
        return QDateTime(QDate(2000, 1, 1), t);
    return {};
}

QString plain(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 15);
    if (v.typeId() == QMetaType::QDate)
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    if (v.typeId() == QMetaType::QTime)
        return QLocale().toString(v.toTime(), QLocale::ShortFormat);
    if (v.typeId() == QMetaType::QDateTime)
        return QLocale().toString(v.toDateTime(), QLocale::ShortFormat);
    return v.toString();
}
} // namespace

QString Paginator::formatValue(const QVariant& value, const QString& format)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (format.isEmpty())
        return plain(value);
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (format == QLatin1String("money"))
        return ok ? QLocale().toString(number, 'f', 2) : value.toString();
    if (format == QLatin1String("number"))
        return ok ? QLocale().toString(number, 'g', 15) : value.toString();
    if (format == QLatin1String("integer"))
        return ok ? QLocale().toString(qRound64(number)) : value.toString();
    const QDateTime dt = dateTimeOf(value);
    if (!dt.isValid())
        return plain(value);
    if (format == QLatin1String("date"))
        return QLocale().toString(dt.date(), QLocale::ShortFormat);
    if (format == QLatin1String("time"))
        return QLocale().toString(dt.time(), QLocale::ShortFormat);
    if (format == QLatin1String("datetime"))
        return QLocale().toString(dt, QLocale::ShortFormat);
    if (isTemporalFormat(format))
        return QLocale().toString(dt, format);
    return plain(value);
}

Paginator::Paginator(const ReportLayout& layout, DataPipelines& data, int pageCount)
    : layout_(layout), data_(data), pageCount_(pageCount)
{
    const QString detailPrefix = layout.detailPipeline.toLower() + QLatin1Char('.');
    for (int b = 0; b < layout.bands.size(); ++b) {
        const Band& band = layout.bands.at(b);
        std::vector<Compiled> elements;
        for (const Element& e : band.elements) {
            Compiled c;
            if (e.kind == ElementKind::Field)
                c.field = e.text;
            if (e.kind == ElementKind::Expression) {
                c.expression.emplace(e.text);
                c.itemLevel = band.kind == BandKind::SubDetailFooter;
                for (const QString& f : c.expression->fields())
                    if (f.toLower().startsWith(detailPrefix))
                        c.itemLevel = true;
            }
            elements.push_back(std::move(c));
        }
        compiled_.push_back(std::move(elements));
        auto first = [b](int& slot) {
            if (slot < 0)
                slot = b;
        };
        switch (band.kind) {
        case BandKind::Title:
            first(title_);
            break;
        case BandKind::PageHeader:
            first(pageHeader_);
            break;
        case BandKind::GroupHeader:
            groups_.push_back({band.groupField, b, -1});
            break;
        case BandKind::Detail:
            first(detail_);
            break;
        case BandKind::SubDetailHeader:
            first(subHeader_);
            break;
        case BandKind::SubDetail:
            first(sub_);
            break;
        case BandKind::SubDetailFooter:
            first(subFooter_);
            break;
        case BandKind::GroupFooter: {
            // Footers stand inner to outer; each closes the group of its field.
            auto it = std::find_if(groups_.begin(), groups_.end(), [&band](const Group& g) {
                return g.footer < 0 && g.field.compare(band.groupField, Qt::CaseInsensitive) == 0;
            });
            if (it != groups_.end())
                it->footer = b;
            else
                groups_.insert(groups_.begin(), Group{band.groupField, -1, b});
            break;
        }
        case BandKind::Summary:
            first(summary_);
            break;
        case BandKind::PageFooter:
            first(pageFooter_);
            break;
        }
    }
}

Paginator::~Paginator() = default;

bool Paginator::nextPage(Page& page)
{
    while (ready_.empty() && !finished_)
        advance();
    if (ready_.empty())
        return false;
    page = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

void Paginator::advance()
{
    if (!started_) {
        startRows();
        return;
    }
    Row row;
    if (cursor_->next(row))
        processRow(std::move(row));
    else
        finish();
}

void Paginator::startRows()
{
    started_ = true;
    cursor_ = data_.open(layout_.mainPipeline);
    openPage();
    if (title_ >= 0)
        place(title_, Level::Main);
}

bool Paginator::groupChanged(const Group& group, const Row& row) const
{
    const QVariant a = previous_.value(group.field);
    const QVariant b = row.value(group.field);
    return a.isNull() != b.isNull() || a.toString() != b.toString();
}

void Paginator::processRow(Row row)
{
    // The outermost group whose value changed: the footers from the innermost group out to it
    // close with the previous row's values, then the headers from it inwards open with the
    // new row's.
    size_t changed = rowsDone_ == 0 ? 0 : groups_.size();
    for (size_t g = 0; g < changed; ++g)
        if (groupChanged(groups_[g], row)) {
            changed = g;
            break;
        }
    if (rowsDone_ > 0)
        for (size_t g = groups_.size(); g-- > changed;)
            if (groups_[g].footer >= 0) {
                place(groups_[g].footer, Level::Main);
                resetBand(groups_[g].footer);
            }
    if (detail_ >= 0 && rowsDone_ > 0 && layout_.bands.at(detail_).newPageBefore) {
        closePage();
        openPage();
    }
    row_ = std::move(row);
    for (size_t g = changed; g < groups_.size(); ++g)
        if (groups_[g].header >= 0)
            place(groups_[g].header, Level::Main);
    accumulate(Level::Main);
    if (detail_ >= 0)
        place(detail_, Level::Main);
    if (sub_ >= 0 || subHeader_ >= 0 || subFooter_ >= 0) {
        std::unique_ptr<RowCursor> items = data_.openDetail(layout_.detailPipeline, row_);
        if (subHeader_ >= 0)
            place(subHeader_, Level::Main);
        inItems_ = true;
        Row item;
        while (items->next(item)) {
            itemRow_ = item;
            accumulate(Level::Item);
            if (sub_ >= 0)
                place(sub_, Level::Item);
        }
        inItems_ = false;
        itemRow_ = Row();
        if (subFooter_ >= 0) {
            place(subFooter_, Level::Main);
            resetBand(subFooter_);
        }
    }
    previous_ = row_;
    ++rowsDone_;
}

void Paginator::finish()
{
    if (rowsDone_ > 0)
        for (size_t g = groups_.size(); g-- > 0;)
            if (groups_[g].footer >= 0)
                place(groups_[g].footer, Level::Main);
    if (summary_ >= 0)
        place(summary_, Level::Main);
    closePage();
    finished_ = true;
    cursor_.reset();
}

void Paginator::openPage()
{
    page_ = Page();
    page_.number = ++pagesMade_;
    pageOpen_ = true;
    y_ = layout_.margins.top();
    bottom_ = layout_.pageSize.height() - layout_.margins.bottom();
    if (pageFooter_ >= 0)
        bottom_ -= layout_.bands.at(pageFooter_).height;
    if (pageHeader_ >= 0)
        place(pageHeader_, Level::Main);
    if (inItems_ && subHeader_ >= 0)
        place(subHeader_, Level::Main);
}

void Paginator::closePage()
{
    if (!pageOpen_)
        return;
    if (pageFooter_ >= 0) {
        y_ = bottom_;
        bottom_ += layout_.bands.at(pageFooter_).height;
        place(pageFooter_, Level::Main);
        resetBand(pageFooter_);
    }
    pageOpen_ = false;
    ready_.push_back(std::move(page_));
}

void Paginator::place(int index, Level level)
{
    const Band& band = layout_.bands.at(index);
    // A band that does not fit the rest of the page starts the next one; a band taller than
    // a whole page is cut rather than carried forever.
    const double fresh = layout_.margins.top() + (pageHeader_ >= 0 ? layout_.bands.at(pageHeader_).height : 0);
    if (pageOpen_ && y_ + band.height > bottom_ + 1e-6 && y_ > fresh + 1e-6 && band.kind != BandKind::PageFooter &&
        band.kind != BandKind::PageHeader) {
        closePage();
        openPage();
    }
    PlacedBand placed;
    placed.band = index;
    placed.top = y_;
    const std::vector<Compiled>& compiled = compiled_[size_t(index)];
    placed.texts.resize(qsizetype(compiled.size()));
    ExpressionContext context;
    context.field = [this, level](const QString& name) { return lookup(name, level); };
    context.page = page_.number;
    context.pageCount = pageCount_;
    for (size_t i = 0; i < compiled.size(); ++i) {
        const Compiled& c = compiled[i];
        const Element& e = band.elements.at(qsizetype(i));
        if (e.kind == ElementKind::Field)
            placed.texts[qsizetype(i)] = formatValue(lookup(c.field, level), e.format);
        else if (c.expression)
            placed.texts[qsizetype(i)] = formatValue(c.expression->evaluate(context), e.format);
    }
    page_.bands.append(std::move(placed));
    y_ += band.height;
}

QVariant Paginator::lookup(const QString& name, Level level) const
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString pipeline = name.left(dot);
        const QString field = name.mid(dot + 1);
        if (pipeline.compare(layout_.detailPipeline, Qt::CaseInsensitive) == 0)
            return itemRow_.value(field);
        return row_.value(field);
    }
    if (level == Level::Item && itemRow_.isValid()) {
        const int i = itemRow_.fields->indexOf(name);
        if (i >= 0)
            return itemRow_.values.at(i);
    }
    return row_.value(name);
}

void Paginator::accumulate(Level level)
{
    ExpressionContext context;
    context.field = [this, level](const QString& name) { return lookup(name, level); };
    for (size_t b = 0; b < compiled_.size(); ++b) {
        const BandKind kind = layout_.bands.at(qsizetype(b)).kind;
        if (kind != BandKind::GroupFooter && kind != BandKind::Summary && kind != BandKind::PageFooter &&
            kind != BandKind::SubDetailFooter)
            continue;
        for (Compiled& c : compiled_[b])
            if (c.expression && c.expression->hasAggregates() && c.itemLevel == (level == Level::Item))
                c.expression->accumulate(context);
    }
}

void Paginator::resetBand(int band)
{
    for (Compiled& c : compiled_[size_t(band)])
        if (c.expression)
            c.expression->reset();
}

} // namespace pelmora::reports
