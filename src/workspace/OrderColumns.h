#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace pelmora
{

// How a column of the orders grid is edited.
enum class OrderEditor {
    Text,
    ReadOnlyText,
    Date,
    Time,          // posts as soon as the value changes; its filter picks one value
    Currency,      // display format kCurrencyFormat
    Memo,          // multi-line text
    PaymentMethod, // drop-down of Method.PaymentMethod; posts when a value is picked
    Status,        // drop-down of Status.Status; typed text allowed; changes set StatusChanged
    CheckBox,
};

struct OrderColumn {
    QString field;
    QString caption; // empty: the field name
    OrderEditor editor = OrderEditor::Text;
    int width = 100; // used when no layout gives one

    QString title() const { return caption.isEmpty() ? field : caption; }
};

// The 48 columns of the orders grid: every Orders column except Gift_voucher_value,
// Gift_voucher_code and id, in table order.
class OrderColumns
{
  public:
    static inline const QString kCurrencyFormat = QStringLiteral(",0.00;(,0.00)");

    static const std::vector<OrderColumn>& grid();
    // The columns ShowDefaultColumns makes visible.
    static const QStringList& defaultSet();
    static bool inDefaultSet(const QString& field);
    // By field name, without regard to letter case; nullptr when the grid has no such column.
    static const OrderColumn* find(const QString& field);
};

} // namespace pelmora
