#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace pelmora
{

// The colouring rule of the orders grid as a pure function of an order's New and Status.
enum class OrderStyleKind {
    Default,      // white, window text, regular
    NewOrder,     // window colour, window text, bold
    NewAndUnpaid, // white, red, bold
    Unpaid,       // white, red, regular
};

class OrderStyle
{
  public:
    static inline const QString kUnpaid = QStringLiteral("Unpaid");

    // Decided in this order, a later match replacing an earlier one: New and not "Unpaid",
    // New and "Unpaid", not New and "Unpaid". An empty value equals nothing and differs from
    // everything; "Unpaid" matches with its letter case.
    static OrderStyleKind of(const QVariant& newFlag, const QVariant& status);

    // A stored flag as true/false; empty (or unreadable) as no value.
    static std::optional<bool> flag(const QVariant& value);
};

} // namespace pelmora
