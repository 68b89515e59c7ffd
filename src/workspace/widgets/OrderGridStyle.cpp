#include "workspace/widgets/OrderGridStyle.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPalette>

namespace pelmora::OrderGridStyle
{

int modelColumn(const QAbstractItemModel* model, const QString& field)
{
    if (!model)
        return -1;
    for (int c = 0; c < model->columnCount(); ++c) {
        const QVariant name = model->headerData(c, Qt::Horizontal, Qt::UserRole);
        const QString text = name.isValid() ? name.toString() : model->headerData(c, Qt::Horizontal).toString();
        if (text.compare(field, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

QFont contentFont(bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

toolkit::CellStyle cellStyle(OrderStyleKind kind)
{
    // The desktop's window and window-text colours (white and black where it has none).
    const QPalette palette = QApplication::palette();
    const QColor window = palette.color(QPalette::Base);
    const QColor windowText = palette.color(QPalette::Text);
    toolkit::CellStyle style;
    switch (kind) {
    case OrderStyleKind::NewOrder:
        style.background = window;
        style.foreground = windowText;
        style.font = contentFont(true);
        break;
    case OrderStyleKind::NewAndUnpaid:
        style.background = QColor(Qt::white);
        style.foreground = QColor(Qt::red);
        style.font = contentFont(true);
        break;
    case OrderStyleKind::Unpaid:
        style.background = QColor(Qt::white);
        style.foreground = QColor(Qt::red);
        style.font = contentFont(false);
        break;
    case OrderStyleKind::Default:
        style.background = QColor(Qt::white);
        style.foreground = windowText;
        style.font = contentFont(false);
        break;
    }
    return style;
}

void styleOrderCell(const QModelIndex& index, int newColumn, int statusColumn, toolkit::CellStyle& style)
{
    if (!index.isValid() || newColumn < 0 || statusColumn < 0)
        return;
    const QVariant isNew = index.siblingAtColumn(newColumn).data(Qt::EditRole);
    const QVariant status = index.siblingAtColumn(statusColumn).data(Qt::EditRole);
    style = cellStyle(OrderStyle::of(isNew, status));
}

toolkit::LookupSource paymentMethods(const QString& connectionName)
{
    toolkit::LookupSource source;
    source.connectionName = connectionName;
    source.table = QStringLiteral("Method");
    source.field = QStringLiteral("PaymentMethod");
    return source;
}

toolkit::LookupSource statuses(const QString& connectionName)
{
    toolkit::LookupSource source;
    source.connectionName = connectionName;
    source.table = QStringLiteral("Status");
    source.field = QStringLiteral("Status");
    return source;
}

toolkit::GridColumn gridColumn(const OrderColumn& column, const QString& connectionName)
{
    using toolkit::EditorKind;
    toolkit::GridColumn c;
    c.field = column.field;
    c.caption = column.caption;
    c.width = column.width;
    c.visible = false; // the layout (or the default column set) decides
    switch (column.editor) {
    case OrderEditor::Text:
        c.editor = EditorKind::Text;
        break;
    case OrderEditor::ReadOnlyText:
        c.editor = EditorKind::Text;
        c.readOnly = true;
        break;
    case OrderEditor::Date:
        c.editor = EditorKind::Date;
        break;
    case OrderEditor::Time:
        c.editor = EditorKind::Time;
        c.postOnChange = true;
        c.singleValueFilter = true;
        break;
    case OrderEditor::Currency:
        c.editor = EditorKind::Currency;
        c.displayFormat = OrderColumns::kCurrencyFormat;
        break;
    case OrderEditor::Memo:
        c.editor = EditorKind::Memo;
        break;
    case OrderEditor::PaymentMethod:
        c.editor = EditorKind::Lookup;
        c.lookup = paymentMethods(connectionName);
        c.postOnChange = true;
        break;
    case OrderEditor::Status:
        c.editor = EditorKind::Lookup;
        c.lookup = statuses(connectionName);
        c.lookupAcceptsText = true;
        break;
    case OrderEditor::CheckBox:
        c.editor = EditorKind::CheckBox;
        break;
    }
    return c;
}

QList<toolkit::GridColumn> gridColumns(const QString& connectionName)
{
    QList<toolkit::GridColumn> columns;
    for (const OrderColumn& column : OrderColumns::grid())
        columns << gridColumn(column, connectionName);
    return columns;
}

} // namespace pelmora::OrderGridStyle
