#include "toolkit/FilterCondition.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace pelmora::toolkit
{

FilterCondition FilterCondition::compare(const QString& field, Operator op, const QVariant& value)
{
    FilterCondition condition;
    condition.m_kind = Kind::Comparison;
    condition.m_field = field;
    condition.m_op = op;
    if (op != Operator::IsBlank && op != Operator::IsNotBlank)
        condition.m_value = value;
    return condition;
}

FilterCondition FilterCondition::blank(const QString& field)
{
    return compare(field, Operator::IsBlank);
}

FilterCondition FilterCondition::notBlank(const QString& field)
{
    return compare(field, Operator::IsNotBlank);
}

FilterCondition FilterCondition::all(const QList<FilterCondition>& conditions)
{
    FilterCondition group;
    group.m_kind = Kind::All;
    group.m_conditions = conditions;
    return group;
}

FilterCondition FilterCondition::any(const QList<FilterCondition>& conditions)
{
    FilterCondition group = all(conditions);
    group.m_kind = Kind::Any;
    return group;
}

bool FilterCondition::isEmpty() const
{
    if (m_kind == Kind::Comparison)
        return false;
    for (const FilterCondition& condition : m_conditions) {
        if (!condition.isEmpty())
            return false;
    }
    return true;
}

FilterCondition& FilterCondition::append(const FilterCondition& condition)
{
    if (isGroup())
        m_conditions << condition;
    return *this;
}

void FilterCondition::clear()
{
    *this = FilterCondition();
}

FilterCondition FilterCondition::negated() const
{
    FilterCondition copy = *this;
    copy.m_negated = !m_negated;
    return copy;
}

QStringList FilterCondition::fields() const
{
    QStringList result;
    if (m_kind == Kind::Comparison)
        return {m_field};
    for (const FilterCondition& condition : m_conditions) {
        for (const QString& field : condition.fields()) {
            if (!result.contains(field))
                result << field;
        }
    }
    return result;
}

FilterCondition FilterCondition::withoutField(const QString& field) const
{
    if (m_kind == Kind::Comparison)
        return *this;
    FilterCondition group = *this;
    group.m_conditions.clear();
    for (const FilterCondition& condition : m_conditions) {
        if (!condition.isGroup() && condition.m_field.compare(field, Qt::CaseInsensitive) == 0)
            continue;
        const FilterCondition kept = condition.withoutField(field);
        if (!kept.isEmpty())
            group.m_conditions << kept;
    }
    return group;
}

QString FilterCondition::operatorText(Operator op)
{
    switch (op) {
    case Operator::Equal:
        return QStringLiteral("=");
    case Operator::NotEqual:
        return QStringLiteral("<>");
    case Operator::Less:
        return QStringLiteral("<");
    case Operator::LessOrEqual:
        return QStringLiteral("<=");
    case Operator::Greater:
        return QStringLiteral(">");
    case Operator::GreaterOrEqual:
        return QStringLiteral(">=");
    case Operator::Like:
        return QStringLiteral("LIKE");
    case Operator::IsBlank:
        return QStringLiteral("IS NULL");
    case Operator::IsNotBlank:
        return QStringLiteral("IS NOT NULL");
    }
    return {};
}

QString FilterCondition::valueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("MM/dd/yyyy"));
    case QMetaType::QTime: {
        // Stored times keep their milliseconds: so does a value compared with them.
        const QTime time = value.toTime();
        return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    }
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.toString(moment.time().msec() ? QStringLiteral("MM/dd/yyyy HH:mm:ss.zzz")
                                                    : QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return value.toString();
    }
}

QString FilterCondition::quoted(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString FilterCondition::toExpression() const
{
    return render(false);
}

QString FilterCondition::render(bool nested) const
{
    QString text;
    bool compound = false;
    if (m_kind == Kind::Comparison) {
        text = m_field + QLatin1Char(' ') + operatorText(m_op);
        if (m_op != Operator::IsBlank && m_op != Operator::IsNotBlank)
            text += QLatin1Char(' ') + quoted(valueText(m_value));
    } else {
        QList<const FilterCondition*> parts;
        for (const FilterCondition& condition : m_conditions) {
            if (!condition.isEmpty())
                parts << &condition;
        }
        if (parts.isEmpty())
            return {};
        // A group of one is written as its one condition.
        if (parts.size() == 1) {
            text = parts.first()->render(nested && !m_negated);
        } else {
            QStringList texts;
            for (const FilterCondition* part : parts)
                texts << part->render(true);
            compound = true;
            text = texts.join(m_kind == Kind::All ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
        }
    }
    if (m_negated)
        return QStringLiteral("NOT (") + text + QLatin1Char(')');
    if (nested && compound)
        return QLatin1Char('(') + text + QLatin1Char(')');
    return text;
}

bool FilterCondition::operator==(const FilterCondition& other) const
{
    return m_kind == other.m_kind && m_field == other.m_field && m_op == other.m_op && m_value == other.m_value &&
           m_negated == other.m_negated && m_conditions == other.m_conditions;
}

} // namespace pelmora::toolkit
