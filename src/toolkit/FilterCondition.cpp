#include "toolkit/FilterCondition.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
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

namespace
{
const char* const kOperators[] = {"=", "<>", "<", "<=", ">", ">=", "like", "blank", "nonblank"};
constexpr int kOperatorCount = int(sizeof kOperators / sizeof kOperators[0]);

QJsonObject valueToJson(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return {{QStringLiteral("date"), value.toDate().toString(Qt::ISODate)}};
    case QMetaType::QTime:
        return {{QStringLiteral("time"), value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"))}};
    case QMetaType::QDateTime:
        return {{QStringLiteral("datetime"), value.toDateTime().toString(Qt::ISODateWithMs)}};
    case QMetaType::Bool:
        return {{QStringLiteral("bool"), value.toBool()}};
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return {{QStringLiteral("integer"), QString::number(value.toLongLong())}};
    case QMetaType::Double:
    case QMetaType::Float:
        return {{QStringLiteral("number"), value.toDouble()}};
    default:
        return {{QStringLiteral("text"), value.toString()}};
    }
}

QVariant valueFromJson(const QJsonObject& json)
{
    if (json.contains(QStringLiteral("date")))
        return QDate::fromString(json.value(QStringLiteral("date")).toString(), Qt::ISODate);
    if (json.contains(QStringLiteral("time")))
        return QTime::fromString(json.value(QStringLiteral("time")).toString(), QStringLiteral("HH:mm:ss.zzz"));
    if (json.contains(QStringLiteral("datetime")))
        return QDateTime::fromString(json.value(QStringLiteral("datetime")).toString(), Qt::ISODateWithMs);
    if (json.contains(QStringLiteral("bool")))
        return json.value(QStringLiteral("bool")).toBool();
    if (json.contains(QStringLiteral("integer")))
        return json.value(QStringLiteral("integer")).toString().toLongLong();
    if (json.contains(QStringLiteral("number")))
        return json.value(QStringLiteral("number")).toDouble();
    if (json.contains(QStringLiteral("text")))
        return json.value(QStringLiteral("text")).toString();
    return {};
}
} // namespace

QJsonObject FilterCondition::toJson() const
{
    QJsonObject json;
    if (m_negated)
        json.insert(QStringLiteral("not"), true);
    if (m_kind == Kind::Comparison) {
        json.insert(QStringLiteral("field"), m_field);
        json.insert(QStringLiteral("op"), QString::fromLatin1(kOperators[int(m_op)]));
        json.insert(QStringLiteral("value"), valueToJson(m_value));
        return json;
    }
    QJsonArray list;
    for (const FilterCondition& condition : m_conditions)
        list.append(condition.toJson());
    json.insert(m_kind == Kind::All ? QStringLiteral("all") : QStringLiteral("any"), list);
    return json;
}

FilterCondition FilterCondition::fromJson(const QJsonObject& json)
{
    FilterCondition condition;
    if (json.contains(QStringLiteral("field"))) {
        const QString op = json.value(QStringLiteral("op")).toString();
        int at = 0;
        while (at < kOperatorCount && op != QLatin1String(kOperators[at]))
            ++at;
        if (at == kOperatorCount)
            return {};
        condition = compare(json.value(QStringLiteral("field")).toString(), Operator(at),
                            valueFromJson(json.value(QStringLiteral("value")).toObject()));
    } else {
        const bool any = json.contains(QStringLiteral("any"));
        QList<FilterCondition> list;
        for (const QJsonValue& item : json.value(any ? QStringLiteral("any") : QStringLiteral("all")).toArray())
            list << fromJson(item.toObject());
        condition = any ? FilterCondition::any(list) : FilterCondition::all(list);
    }
    condition.setNegated(json.value(QStringLiteral("not")).toBool());
    return condition;
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
