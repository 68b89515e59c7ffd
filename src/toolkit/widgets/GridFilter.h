#pragma once

#include "toolkit/widgets/GridColumn.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

namespace pelmora::toolkit {

// One node of a grid's filter: a comparison of a field with a value, a blank / non-blank
// test, or a group of nodes joined with AND or OR (optionally negated).
struct FilterNode
{
    enum class Kind { Comparison, Blank, NonBlank, Group };
    enum class Operator { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };

    Kind kind = Kind::Group;
    // Comparison, Blank, NonBlank
    QString field;
    EditorKind valueKind = EditorKind::Text; // how the value is written (dates as mm/dd/yyyy)
    Operator op = Operator::Equal;
    QVariant value;
    // Group
    bool any = false;     // OR instead of AND
    bool negated = false; // NOT (...)
    QList<FilterNode> children;

    static FilterNode comparison(const QString &field, Operator op, const QVariant &value,
                                 EditorKind kind = EditorKind::Text);
    static FilterNode blank(const QString &field, bool blank, EditorKind kind = EditorKind::Text);
    static FilterNode group(bool any, const QList<FilterNode> &children, bool negated = false);

    bool isEmpty() const; // a group without a comparison anywhere below it
    static QString operatorText(Operator op);
};

// The relative date conditions a date column's filter offers.
enum class RelativeDate { Today, Yesterday, ThisWeek, LastWeek, ThisMonth, LastMonth, ThisYear, LastYear };

// A grid's filter: one condition per filtered column (from the header drop-downs), or a
// whole condition tree from the condition builder; switched on or off as a whole.
//
// Its text is what the grid hands to the data set: each comparison is the field name, one
// blank, the operator, one blank and the value in single quotes (a quote inside the value is
// doubled); dates are written mm/dd/yyyy and times HH:mm:ss; conditions are joined with AND
// and OR, groups in parentheses. Blank tests are written as IS NULL tests.
class GridFilter
{
public:
    bool isEmpty() const;
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    void clear();

    const FilterNode &root() const { return m_root; }
    void setRoot(const FilterNode &root);

    // The condition of one column (replacing the column's earlier one); an empty node clears it.
    void setColumnCondition(const QString &field, const FilterNode &condition);
    void removeColumnCondition(const QString &field);
    QSet<QString> filteredFields() const; // lower-case

    // The expression text ("" when empty); ignores whether the filter is switched on.
    QString toExpression() const;
    // The same conditions as an SQLite WHERE clause (dates and times as stored, ISO text;
    // text compared without regard to letter case).
    QString toSql() const;

    static QString renderValue(const QVariant &value, EditorKind kind);
    static FilterNode relativeDate(const QString &field, RelativeDate when, const QDate &today, const QLocale &locale);
    static QString relativeDateCaption(RelativeDate when);

    bool operator==(const GridFilter &other) const;

private:
    FilterNode m_root;
    bool m_active = true;
};

} // namespace pelmora::toolkit
