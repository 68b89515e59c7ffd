#pragma once

#include "toolkit/widgets/GridColumn.h"
#include "toolkit/widgets/GridFilter.h"

#include <QDate>
#include <QFrame>
#include <QVariantList>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pelmora::toolkit
{

// The drop-down of a column header's filter button: "(All)", "(Custom...)", "(Blanks)",
// "(NonBlanks)", for date columns the relative conditions (today, yesterday, this and last
// week, month and year), then the column's values as the grid shows them. Picking an entry
// reports the column's new condition and closes the drop-down. Unless the column takes one
// value at a time, the values also have check boxes: "OK" filters on every checked value.
class HeaderFilterPopup : public QFrame
{
    Q_OBJECT

  public:
    static constexpr const char* kAll = "(All)";
    static constexpr const char* kCustom = "(Custom...)";
    static constexpr const char* kBlanks = "(Blanks)";
    static constexpr const char* kNonBlanks = "(NonBlanks)";

    HeaderFilterPopup(const GridColumn& column, const QVariantList& values, QWidget* parent = nullptr);

    QListWidget* list() const;
    QPushButton* okButton() const;
    void setToday(const QDate& today); // relative dates count from this day (default: today)
    // Shows the drop-down under a header section (global coordinates).
    void popupBelow(const QRect& section);

  signals:
    // The column's new condition; an empty condition means "(All)".
    void conditionChosen(const pelmora::toolkit::FilterCondition& condition);
    void customRequested();

  private:
    void choose(QListWidgetItem* item);
    void chooseChecked();
    QList<QListWidgetItem*> checkedItems() const;

    GridColumn m_column;
    QListWidget* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QDate m_today;
    bool m_checkToggled = false;
};

} // namespace pelmora::toolkit
