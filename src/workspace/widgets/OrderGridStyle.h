#pragma once

#include "toolkit/widgets/CellStyle.h"
#include "toolkit/widgets/GridColumn.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrderStyle.h"

#include <QColor>
#include <QFont>
#include <QList>

namespace pelmora
{

// The look shared by the orders and items grids and the grid columns built from OrderColumns.
namespace OrderGridStyle
{

inline const QColor kSelectionBackground = QColor(223, 223, 255);

// Verdana 8 pt, regular or bold.
QFont contentFont(bool bold = false);
// The style of a data cell for a style kind of the colouring rule.
toolkit::CellStyle cellStyle(OrderStyleKind kind);
// The column of a field in a model (by its field name, letter case ignored), -1 when none.
int modelColumn(const QAbstractItemModel* model, const QString& field);
// The style of the row an index of an orders model (flat or grouped) stands on, given the
// model's New and Status columns.
void styleOrderCell(const QModelIndex& index, int newColumn, int statusColumn, toolkit::CellStyle& style);

// The grid column of an orders column: caption, editor, display format, lookups.
toolkit::GridColumn gridColumn(const OrderColumn& column, const QString& connectionName);
QList<toolkit::GridColumn> gridColumns(const QString& connectionName);

toolkit::LookupSource paymentMethods(const QString& connectionName);
toolkit::LookupSource statuses(const QString& connectionName);

} // namespace OrderGridStyle

} // namespace pelmora
