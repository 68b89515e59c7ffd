#pragma once

#include "toolkit/FilterCondition.h"
#include "toolkit/widgets/GridColumn.h"

#include <QDate>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QVariant>

namespace pelmora::toolkit
{

// The relative date conditions a date column's filter offers.
enum class RelativeDate { Today, Yesterday, ThisWeek, LastWeek, ThisMonth, LastMonth, ThisYear, LastYear };

// A grid's filter: a condition tree (FilterCondition) that the header drop-downs add one
// column's condition to and the condition builder edits whole, switched on or off as a whole.
// Its text is the tree's expression text; the SQL form serves grids that filter their SQL
// model themselves.
class GridFilter
{
  public:
    bool isEmpty() const { return m_root.isEmpty(); }
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    void clear();

    const FilterCondition& root() const { return m_root; }
    void setRoot(const FilterCondition& root);

    // Replaces every condition on the column by this one (an empty condition just removes them).
    void setColumnCondition(const QString& field, const FilterCondition& condition);
    void removeColumnCondition(const QString& field);
    QSet<QString> filteredFields() const; // lower-case

    // The expression text ("" when empty), whether the filter is switched on or not.
    QString toExpression() const { return m_root.toExpression(); }
    // The same conditions as an SQLite WHERE clause: dates and times compared as stored (ISO
    // text), text without regard to letter case, an empty text counted as blank.
    QString toSql() const;
    static QString toSql(const FilterCondition& condition);

    // A model's value as a condition value of the column's kind (a date column's ISO text
    // becomes a date, so that the text shows it as mm/dd/yyyy).
    static QVariant typedValue(const QVariant& value, EditorKind kind);
    static FilterCondition relativeDate(const QString& field, RelativeDate when, const QDate& today,
                                        const QLocale& locale = QLocale());
    static QString relativeDateCaption(RelativeDate when);

  private:
    FilterCondition m_root;
    bool m_active = true;
};

} // namespace pelmora::toolkit
