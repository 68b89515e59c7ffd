#include "toolkit/widgets/GridFilter.h"

#include "toolkit/SqlUtil.h"
#include "toolkit/widgets/DisplayFormat.h"

#include <QDateTime>
#include <QStringList>

namespace pelmora::toolkit
{

namespace
{

using Operator = FilterCondition::Operator;

QString sqlValue(const QVariant& value, bool* isText)
{
    *isText = false;
    switch (value.typeId()) {
    case QMetaType::QDate:
        return FilterCondition::quoted(value.toDate().toString(Qt::ISODate));
    case QMetaType::QTime:
        return FilterCondition::quoted(value.toTime().toString(QStringLiteral("HH:mm:ss")));
    case QMetaType::QDateTime:
        return FilterCondition::quoted(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        *isText = true;
        return FilterCondition::quoted(value.toString());
    }
}

QString renderSql(const FilterCondition& c, bool nested)
{
    QString text;
    bool compound = false;
    if (!c.isGroup()) {
        const QString field = sql::quoted(c.field());
        switch (c.op()) {
        case Operator::IsBlank:
            text = u'(' + field + QLatin1String(" IS NULL OR ") + field + QLatin1String(" = '')");
            break;
        case Operator::IsNotBlank:
            text = u'(' + field + QLatin1String(" IS NOT NULL AND ") + field + QLatin1String(" <> '')");
            break;
        default: {
            bool isText = false;
            const QString value = sqlValue(c.value(), &isText);
            text = field + u' ' + FilterCondition::operatorText(c.op()) + u' ' + value;
            if (isText && c.op() != Operator::Like)
                text += QLatin1String(" COLLATE NOCASE");
        }
        }
    } else {
        const auto parts = std::count_if(c.conditions().cbegin(), c.conditions().cend(),
                                         [](const FilterCondition& child) { return !child.isEmpty(); });
        if (parts == 0)
            return {};
        // A group of one is written as its one condition.
        QStringList texts;
        for (const FilterCondition& child : c.conditions())
            if (!child.isEmpty())
                texts << renderSql(child, parts > 1 || (nested && !c.isNegated()));
        compound = texts.size() > 1;
        text = texts.join(c.kind() == FilterCondition::Kind::Any ? QLatin1String(" OR ") : QLatin1String(" AND "));
    }
    if (c.isNegated())
        return QLatin1String("NOT (") + text + u')';
    if (nested && compound)
        return u'(' + text + u')';
    return text;
}

} // namespace

void GridFilter::clear()
{
    m_root.clear();
}

void GridFilter::setRoot(const FilterCondition& root)
{
    m_root = root.isGroup() ? root : FilterCondition::all({root});
}

void GridFilter::setColumnCondition(const QString& field, const FilterCondition& condition)
{
    removeColumnCondition(field);
    if (condition.isEmpty())
        return;
    // Column conditions are joined with AND; a builder's OR tree becomes one part of that.
    if (m_root.kind() != FilterCondition::Kind::All || m_root.isNegated())
        m_root = FilterCondition::all({m_root});
    // An AND of the column's own (a date range) joins the others directly.
    if (condition.kind() == FilterCondition::Kind::All && !condition.isNegated()) {
        for (const FilterCondition& part : condition.conditions())
            m_root.append(part);
        return;
    }
    m_root.append(condition);
}

void GridFilter::removeColumnCondition(const QString& field)
{
    m_root = m_root.withoutField(field);
}

QSet<QString> GridFilter::filteredFields() const
{
    QSet<QString> fields;
    for (const QString& field : m_root.fields())
        fields.insert(field.toLower());
    return fields;
}

QString GridFilter::toSql() const
{
    return toSql(m_root);
}

QString GridFilter::toSql(const FilterCondition& condition)
{
    return renderSql(condition, false);
}

QVariant GridFilter::typedValue(const QVariant& value, EditorKind kind)
{
    if (value.isNull())
        return value;
    switch (kind) {
    case EditorKind::Date: {
        const QDate date = DisplayFormat::toDate(value);
        return date.isValid() ? QVariant(date) : value;
    }
    case EditorKind::Time: {
        const QTime time = DisplayFormat::toTime(value);
        return time.isValid() ? QVariant(time) : value;
    }
    case EditorKind::Currency:
    case EditorKind::Number: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? QVariant(number) : value;
    }
    case EditorKind::CheckBox: {
        const QVariant on = DisplayFormat::toBool(value);
        return on.isNull() ? value : on;
    }
    default:
        return value.toString();
    }
}

FilterCondition GridFilter::relativeDate(const QString& field, RelativeDate when, const QDate& today,
                                         const QLocale& locale)
{
    QDate from = today;
    QDate to = today;
    const int back = (today.dayOfWeek() - int(locale.firstDayOfWeek()) + 7) % 7;
    const QDate weekStart = today.addDays(-back);
    const QDate monthStart(today.year(), today.month(), 1);
    switch (when) {
    case RelativeDate::Today:
        break;
    case RelativeDate::Yesterday:
        from = to = today.addDays(-1);
        break;
    case RelativeDate::ThisWeek:
        from = weekStart;
        to = weekStart.addDays(6);
        break;
    case RelativeDate::LastWeek:
        from = weekStart.addDays(-7);
        to = weekStart.addDays(-1);
        break;
    case RelativeDate::ThisMonth:
        from = monthStart;
        to = monthStart.addMonths(1).addDays(-1);
        break;
    case RelativeDate::LastMonth:
        from = monthStart.addMonths(-1);
        to = monthStart.addDays(-1);
        break;
    case RelativeDate::ThisYear:
        from = QDate(today.year(), 1, 1);
        to = QDate(today.year(), 12, 31);
        break;
    case RelativeDate::LastYear:
        from = QDate(today.year() - 1, 1, 1);
        to = QDate(today.year() - 1, 12, 31);
        break;
    }
    if (from == to)
        return FilterCondition::compare(field, Operator::Equal, from);
    return FilterCondition::all({FilterCondition::compare(field, Operator::GreaterOrEqual, from),
                                 FilterCondition::compare(field, Operator::LessOrEqual, to)});
}

QString GridFilter::relativeDateCaption(RelativeDate when)
{
    switch (when) {
    case RelativeDate::Today:
        return QStringLiteral("Today");
    case RelativeDate::Yesterday:
        return QStringLiteral("Yesterday");
    case RelativeDate::ThisWeek:
        return QStringLiteral("This week");
    case RelativeDate::LastWeek:
        return QStringLiteral("Last week");
    case RelativeDate::ThisMonth:
        return QStringLiteral("This month");
    case RelativeDate::LastMonth:
        return QStringLiteral("Last month");
    case RelativeDate::ThisYear:
        return QStringLiteral("This year");
    case RelativeDate::LastYear:
        return QStringLiteral("Last year");
    }
    return {};
}

} // namespace pelmora::toolkit
