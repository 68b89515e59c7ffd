#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pelmora::toolkit
{

// A grid's filter as a tree of conditions, and the expression text the grid
// shows and hands on to whoever applies it.
//
// The text of a comparison is the field name, one blank, the operator, one
// blank and the value in single quotes, a quote inside the value doubled:
//     Status = 'O''Brien'
// Dates are written mm/dd/yyyy, times HH:mm:ss (HH:mm:ss.zzz when the milliseconds are not
// zero), date-times "mm/dd/yyyy HH:mm:ss" (likewise),
// booleans 1 and 0, numbers as plain decimals. Blanks and non-blanks are written
//     Field IS NULL          Field IS NOT NULL
// (whoever turns the text into SQL decides whether an empty text counts as blank).
// Groups join their conditions with AND or OR; a group inside another is put in
// parentheses, a negated condition or group is written NOT (...). Empty groups
// are left out; an empty tree gives an empty text.
//
// The structure is kept as it is built; the text is only ever produced from it.
class FilterCondition
{
  public:
    enum class Kind { Comparison, All, Any }; // All = AND, Any = OR
    enum class Operator { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, Like, IsBlank, IsNotBlank };

    FilterCondition() = default; // an empty AND group

    static FilterCondition compare(const QString& field, Operator op, const QVariant& value = {});
    static FilterCondition blank(const QString& field);
    static FilterCondition notBlank(const QString& field);
    static FilterCondition all(const QList<FilterCondition>& conditions);
    static FilterCondition any(const QList<FilterCondition>& conditions);

    Kind kind() const { return m_kind; }
    bool isGroup() const { return m_kind != Kind::Comparison; }
    // True when the tree holds no comparison at all.
    bool isEmpty() const;

    QString field() const { return m_field; }
    Operator op() const { return m_op; }
    QVariant value() const { return m_value; }

    const QList<FilterCondition>& conditions() const { return m_conditions; }
    FilterCondition& append(const FilterCondition& condition); // for groups; returns *this
    void clear();                                              // an empty AND group again

    bool isNegated() const { return m_negated; }
    void setNegated(bool negated) { m_negated = negated; }
    FilterCondition negated() const;

    // Every field the tree compares, in order of first appearance.
    QStringList fields() const;
    // The tree without the comparisons on `field` (ignoring letter case), with
    // groups left empty by that removed too.
    FilterCondition withoutField(const QString& field) const;

    QString toExpression() const;
    static QString operatorText(Operator op);
    // The value as it appears between the quotes (before quotes are doubled).
    static QString valueText(const QVariant& value);
    static QString quoted(const QString& text);

    // The tree as JSON and back, values with their types (a stored filter read back selects the
    // same rows). fromJson of anything it does not know gives an empty condition.
    QJsonObject toJson() const;
    static FilterCondition fromJson(const QJsonObject& json);

    bool operator==(const FilterCondition& other) const;
    bool operator!=(const FilterCondition& other) const { return !(*this == other); }

  private:
    QString render(bool nested) const;

    Kind m_kind = Kind::All;
    QString m_field;
    Operator m_op = Operator::Equal;
    QVariant m_value;
    bool m_negated = false;
    QList<FilterCondition> m_conditions;
};

} // namespace pelmora::toolkit
