#pragma once

#include "toolkit/SqlTableModel.h"

#include <QVariantMap>
#include <functional>

namespace pelmora
{

// The items of the current order. When copying is on (the live items), every post of an item
// row, insert or change, first writes the current order's ShopperID and then its Invoice_date
// into the row, so an item always carries the number and date of the order it was posted under.
// A change is one transaction with its stamp: when the post is refused, neither is kept.
class OrderItemsModel : public toolkit::SqlTableModel
{
    Q_OBJECT
  public:
    // The current order's ShopperID and Invoice_date; throws Error when no order is current.
    using Master = std::function<QVariantMap()>;

    explicit OrderItemsModel(QObject* parent = nullptr);

    void setMaster(Master master) { master_ = std::move(master); }
    void setCopyFromOrder(bool on) { copy_ = on; }
    bool copiesFromOrder() const { return copy_; }

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;

  private:
    bool masterValues(QVariantMap& values);

    Master master_;
    bool copy_ = false;
};

} // namespace pelmora
