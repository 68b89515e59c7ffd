#include "toolkit/widgets/GridFilter.h"

#include "toolkit/widgets/DisplayFormat.h"

#include <QLocale>
#include <QStringList>

namespace pelmora::toolkit {

namespace {

QString quoteText(QString text)
{
    text.replace(u'\'', QLatin1String("''"));
    return u'\'' + text + u'\'';
}

QString sqlIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

bool isDateOrTime(EditorKind kind)
{
    return kind == EditorKind::Date || kind == EditorKind::Time;
}

bool isNumber(EditorKind kind)
{
    return kind == EditorKind::Currency || kind == EditorKind::Number || kind == EditorKind::CheckBox;
}

QString sqlValue(const QVariant &value, EditorKind kind)
{
    switch (kind) {
    case EditorKind::Date: {
        const QDate date = DisplayFormat::toDate(value);
        return quoteText(date.isValid() ? date.toString(Qt::ISODate) : value.toString());
    }
    case EditorKind::Time: {
        const QTime time = DisplayFormat::toTime(value);
        return quoteText(time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : value.toString());
    }
    case EditorKind::CheckBox: {
        const QVariant on = DisplayFormat::toBool(value);
        return on.isNull() ? quoteText(value.toString()) : QString::number(on.toBool() ? 1 : 0);
    }
    default: return quoteText(value.toString());
    }
}

QString render(const FilterNode &node, bool sql, bool top)
{
    switch (node.kind) {
    case FilterNode::Kind::Comparison: {
        if (sql) {
            QString text = sqlIdentifier(node.field) + u' ' + FilterNode::operatorText(node.op) + u' ' +
                           sqlValue(node.value, node.valueKind);
            if (!isNumber(node.valueKind) && !isDateOrTime(node.valueKind))
                text += QLatin1String(" COLLATE NOCASE");
            return text;
        }
        return node.field + u' ' + FilterNode::operatorText(node.op) + u' ' +
               GridFilter::renderValue(node.value, node.valueKind);
    }
    case FilterNode::Kind::Blank: {
        const QString field = sql ? sqlIdentifier(node.field) : node.field;
        if (isDateOrTime(node.valueKind) || isNumber(node.valueKind))
            return field + QLatin1String(" IS NULL");
        return u'(' + field + QLatin1String(" IS NULL OR ") + field + QLatin1String(" = '')");
    }
    case FilterNode::Kind::NonBlank: {
        const QString field = sql ? sqlIdentifier(node.field) : node.field;
        if (isDateOrTime(node.valueKind) || isNumber(node.valueKind))
            return field + QLatin1String(" IS NOT NULL");
        return u'(' + field + QLatin1String(" IS NOT NULL AND ") + field + QLatin1String(" <> '')");
    }
    case FilterNode::Kind::Group: break;
    }
    QStringList parts;
    const auto nonEmpty = std::count_if(node.children.cbegin(), node.children.cend(),
                                        [](const FilterNode &c) { return !c.isEmpty(); });
    // A group of one part is that part (no extra parentheses).
    const bool single = nonEmpty == 1 && !node.negated;
    for (const FilterNode &child : node.children)
        if (!child.isEmpty())
            parts << render(child, sql, single ? top : false);
    if (parts.isEmpty())
        return {};
    QString text = parts.join(node.any ? QLatin1String(" OR ") : QLatin1String(" AND "));
    if (node.negated)
        return QLatin1String("NOT (") + text + u')';
    // A group inside another one keeps its own parentheses.
    if (!top && parts.size() > 1)
        return u'(' + text + u')';
    return text;
}

} // namespace

FilterNode FilterNode::comparison(const QString &field, Operator op, const QVariant &value, EditorKind kind)
{
    FilterNode node;
    node.kind = Kind::Comparison;
    node.field = field;
    node.op = op;
    node.value = value;
    node.valueKind = kind;
    return node;
}

FilterNode FilterNode::blank(const QString &field, bool blank, EditorKind kind)
{
    FilterNode node;
    node.kind = blank ? Kind::Blank : Kind::NonBlank;
    node.field = field;
    node.valueKind = kind;
    return node;
}

FilterNode FilterNode::group(bool any, const QList<FilterNode> &children, bool negated)
{
    FilterNode node;
    node.kind = Kind::Group;
    node.any = any;
    node.negated = negated;
    node.children = children;
    return node;
}

bool FilterNode::isEmpty() const
{
    if (kind != Kind::Group)
        return false;
    return std::all_of(children.cbegin(), children.cend(), [](const FilterNode &c) { return c.isEmpty(); });
}

QString FilterNode::operatorText(Operator op)
{
    switch (op) {
    case Operator::Equal: return QStringLiteral("=");
    case Operator::NotEqual: return QStringLiteral("<>");
    case Operator::Less: return QStringLiteral("<");
    case Operator::LessOrEqual: return QStringLiteral("<=");
    case Operator::Greater: return QStringLiteral(">");
    case Operator::GreaterOrEqual: return QStringLiteral(">=");
    }
    return {};
}

bool GridFilter::isEmpty() const
{
    return m_root.isEmpty();
}

void GridFilter::clear()
{
    m_root = FilterNode();
}

void GridFilter::setRoot(const FilterNode &root)
{
    if (root.kind == FilterNode::Kind::Group)
        m_root = root;
    else
        m_root = FilterNode::group(false, {root});
}

void GridFilter::setColumnCondition(const QString &field, const FilterNode &condition)
{
    removeColumnCondition(field);
    if (condition.isEmpty())
        return;
    // Column conditions are joined with AND; a builder's OR tree becomes one part of that.
    if (m_root.any || m_root.negated)
        m_root = FilterNode::group(false, {m_root});
    FilterNode tagged = condition;
    tagged.field = field;
    m_root.children << tagged;
}

void GridFilter::removeColumnCondition(const QString &field)
{
    if (m_root.any || m_root.negated)
        return;
    m_root.children.removeIf([&](const FilterNode &c) { return c.field.compare(field, Qt::CaseInsensitive) == 0; });
}

QSet<QString> GridFilter::filteredFields() const
{
    QSet<QString> fields;
    std::function<void(const FilterNode &)> walk = [&](const FilterNode &node) {
        if (node.kind != FilterNode::Kind::Group) {
            fields.insert(node.field.toLower());
            return;
        }
        for (const FilterNode &child : node.children)
            walk(child);
    };
    walk(m_root);
    return fields;
}

QString GridFilter::toExpression() const
{
    return render(m_root, false, true);
}

QString GridFilter::toSql() const
{
    return render(m_root, true, true);
}

QString GridFilter::renderValue(const QVariant &value, EditorKind kind)
{
    switch (kind) {
    case EditorKind::Date: {
        const QDate date = DisplayFormat::toDate(value);
        return quoteText(date.isValid() ? date.toString(QStringLiteral("MM/dd/yyyy")) : value.toString());
    }
    case EditorKind::Time: {
        const QTime time = DisplayFormat::toTime(value);
        return quoteText(time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : value.toString());
    }
    case EditorKind::Currency:
    case EditorKind::Number: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        return quoteText(ok ? QString::number(number, 'g', 15) : value.toString());
    }
    case EditorKind::CheckBox: {
        const QVariant on = DisplayFormat::toBool(value);
        return quoteText(on.isNull() ? value.toString() : on.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
    }
    default: return quoteText(value.toString());
    }
}

FilterNode GridFilter::relativeDate(const QString &field, RelativeDate when, const QDate &today, const QLocale &locale)
{
    QDate from = today;
    QDate to = today;
    const int back = (today.dayOfWeek() - int(locale.firstDayOfWeek()) + 7) % 7;
    const QDate weekStart = today.addDays(-back);
    const QDate monthStart(today.year(), today.month(), 1);
    switch (when) {
    case RelativeDate::Today: break;
    case RelativeDate::Yesterday: from = to = today.addDays(-1); break;
    case RelativeDate::ThisWeek: from = weekStart; to = weekStart.addDays(6); break;
    case RelativeDate::LastWeek: from = weekStart.addDays(-7); to = weekStart.addDays(-1); break;
    case RelativeDate::ThisMonth: from = monthStart; to = monthStart.addMonths(1).addDays(-1); break;
    case RelativeDate::LastMonth: from = monthStart.addMonths(-1); to = monthStart.addDays(-1); break;
    case RelativeDate::ThisYear: from = QDate(today.year(), 1, 1); to = QDate(today.year(), 12, 31); break;
    case RelativeDate::LastYear: from = QDate(today.year() - 1, 1, 1); to = QDate(today.year() - 1, 12, 31); break;
    }
    if (from == to)
        return FilterNode::comparison(field, FilterNode::Operator::Equal, from, EditorKind::Date);
    return FilterNode::group(false, {FilterNode::comparison(field, FilterNode::Operator::GreaterOrEqual, from, EditorKind::Date),
                                     FilterNode::comparison(field, FilterNode::Operator::LessOrEqual, to, EditorKind::Date)});
}

QString GridFilter::relativeDateCaption(RelativeDate when)
{
    switch (when) {
    case RelativeDate::Today: return QStringLiteral("Today");
    case RelativeDate::Yesterday: return QStringLiteral("Yesterday");
    case RelativeDate::ThisWeek: return QStringLiteral("This week");
    case RelativeDate::LastWeek: return QStringLiteral("Last week");
    case RelativeDate::ThisMonth: return QStringLiteral("This month");
    case RelativeDate::LastMonth: return QStringLiteral("Last month");
    case RelativeDate::ThisYear: return QStringLiteral("This year");
    case RelativeDate::LastYear: return QStringLiteral("Last year");
    }
    return {};
}

bool GridFilter::operator==(const GridFilter &other) const
{
    return m_active == other.m_active && toExpression() == other.toExpression();
}

} // namespace pelmora::toolkit
