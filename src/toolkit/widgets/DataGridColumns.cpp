#include "toolkit/widgets/DataGridPrivate.h"

#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTreeView>

namespace pelmora::toolkit
{

// --- column widths and the column menu ---

void DataGrid::setColumnAutoWidth(bool on)
{
    if (d->autoWidth == on)
        return;
    d->autoWidth = on;
    d->table->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    // The columns' own widths stay what they were while fitted: leaving auto-width gives them back.
    if (on)
        fitColumns();
    else
        showColumnWidths();
    emit columnAutoWidthChanged(on);
}

bool DataGrid::columnAutoWidth() const
{
    return d->autoWidth;
}

void DataGrid::fitColumns()
{
    if (!d->autoWidth || !d->model || d->fitting)
        return;
    d->fitting = true;
    const int available = d->table->viewport()->width();
    QList<int> shown;
    int total = 0;
    for (int c = 0; c < d->model->columnCount(); ++c) {
        if (d->table->isColumnHidden(c))
            continue;
        shown << c;
        const int at = d->descriptionOf.value(c, -1);
        total += at >= 0 ? qMax(1, d->columns[at].width) : 100;
    }
    int used = 0;
    for (int i = 0; i < shown.size(); ++i) {
        const int c = shown[i];
        const int at = d->descriptionOf.value(c, -1);
        const int base = at >= 0 ? qMax(1, d->columns[at].width) : 100;
        // The last column takes what rounding left over.
        const int width = i + 1 == shown.size() ? available - used : int(qint64(available) * base / qMax(1, total));
        d->table->setColumnWidth(c, qMax(d->header->minimumSectionSize(), width));
        used += width;
    }
    d->fitting = false;
}

void DataGrid::showColumnWidths()
{
    for (const GridColumn& c : std::as_const(d->columns)) {
        const int at = modelColumn(c.field);
        if (at >= 0) {
            d->table->setColumnWidth(at, c.width);
            d->tree->setColumnWidth(at, c.width);
        }
    }
}

void DataGrid::restoreColumnWidths()
{
    for (GridColumn& c : d->columns)
        c.width = d->definedWidths.value(c.field.toLower(), c.width);
    if (d->autoWidth)
        fitColumns();
    else
        showColumnWidths();
}

void DataGrid::onSectionResized(int logical, int oldSize, int newSize)
{
    if (newSize > 0)
        d->tree->setColumnWidth(logical, newSize);
    // Showing or hiding a column resizes it from or to nothing: that is no merchant's width.
    if (d->fitting || !d->autoWidth || oldSize == 0 || newSize == 0 || d->header->isSectionHidden(logical))
        return;
    // In auto-width the merchant's new width becomes that column's share.
    const int at = d->descriptionOf.value(logical, -1);
    if (at < 0)
        return;
    int total = 0;
    int shown = 0;
    for (int c = 0; c < d->model->columnCount(); ++c)
        if (!d->table->isColumnHidden(c)) {
            const int i = d->descriptionOf.value(c, -1);
            total += i >= 0 ? qMax(1, d->columns[i].width) : 100;
            ++shown;
        }
    const int available = qMax(1, d->table->viewport()->width());
    d->columns[at].width = qMax(1, int(qint64(newSize) * total / available));
    fitColumns();
}

void DataGrid::autoSizeColumn(const QString& field)
{
    const int logical = modelColumn(field);
    if (logical < 0 || !d->model)
        return;
    // The caption, and the rows in view only.
    int width = d->header->sectionSizeHint(logical);
    QAbstractItemView* view = currentView();
    const QModelIndex top = view->indexAt(QPoint(1, 1));
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    if (top.isValid()) {
        const int bottom = view->viewport()->height();
        for (QModelIndex index = top; index.isValid() && view->visualRect(index).top() < bottom;) {
            const QModelIndex cell = index.siblingAtColumn(logical);
            width = qMax(width, d->delegate->sizeHint(option, cell).width() + 4);
            if (auto* tree = qobject_cast<QTreeView*>(view))
                index = tree->indexBelow(index);
            else
                index = index.sibling(index.row() + 1, index.column());
        }
    }
    for (GridColumn& c : d->columns)
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            c.width = width;
    if (d->autoWidth)
        fitColumns();
    else
        d->table->setColumnWidth(logical, width);
}

void DataGrid::autoSizeColumns()
{
    const QStringList fields = visibleColumns();
    for (const QString& field : fields)
        autoSizeColumn(field);
}

void DataGrid::setColumnCustomizationAllowed(bool allowed)
{
    d->customization = allowed;
}

QMenu* DataGrid::createColumnMenu(int logical, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("gridColumnMenu"));
    const QString field = fieldAt(logical);
    if (logical >= 0) {
        QAction* fit = menu->addAction(tr("Best fit"));
        fit->setObjectName(QStringLiteral("gridBestFit"));
        connect(fit, &QAction::triggered, this, [this, field] { autoSizeColumn(field); });
    }
    QAction* fitAll = menu->addAction(tr("Best fit (all columns)"));
    fitAll->setObjectName(QStringLiteral("gridBestFitAll"));
    connect(fitAll, &QAction::triggered, this, &DataGrid::autoSizeColumns);
    QAction* autoWidth = menu->addAction(tr("Column auto-width"));
    autoWidth->setObjectName(QStringLiteral("gridAutoWidth"));
    autoWidth->setCheckable(true);
    autoWidth->setChecked(d->autoWidth);
    connect(autoWidth, &QAction::toggled, this, &DataGrid::setColumnAutoWidth);
    if (d->groupingEnabled && logical >= 0) {
        menu->addSeparator();
        QAction* group = menu->addAction(tr("Group by this column"));
        group->setObjectName(QStringLiteral("gridGroupByColumn"));
        connect(group, &QAction::triggered, this, [this, field] { groupByColumn(field); });
        QAction* box = menu->addAction(tr("Group-by box"));
        box->setObjectName(QStringLiteral("gridGroupByBox"));
        box->setCheckable(true);
        box->setChecked(isGroupByBoxVisible());
        connect(box, &QAction::toggled, this, &DataGrid::setGroupByBoxVisible);
    }
    if (d->customization && d->model) {
        // The quick customisation list: every described column, checked when shown.
        menu->addSeparator();
        QMenu* list = menu->addMenu(tr("Columns"));
        list->setObjectName(QStringLiteral("gridColumnList"));
        for (const GridColumn& c : std::as_const(d->columns)) {
            const int at = modelColumn(c.field);
            if (at < 0)
                continue;
            QAction* toggle = list->addAction(c.title());
            toggle->setObjectName(QStringLiteral("gridColumn_") + c.field);
            toggle->setCheckable(true);
            toggle->setChecked(!d->table->isColumnHidden(at));
            const QString name = c.field;
            connect(toggle, &QAction::toggled, this, [this, name](bool on) { setColumnVisible(name, on); });
        }
    }
    return menu;
}

void DataGrid::onHeaderMenu(QHeaderView* header, const QPoint& pos)
{
    QMenu* menu = createColumnMenu(header->logicalIndexAt(pos), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(header->mapToGlobal(pos));
}

} // namespace pelmora::toolkit
