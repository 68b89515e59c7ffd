#include "toolkit/widgets/GridColumnMenu.h"

#include "toolkit/widgets/GridColumnLayout.h"
#include "toolkit/widgets/GridViewSet.h"

#include <QMenu>

namespace pelmora::toolkit
{

GridColumnMenu::GridColumnMenu(GridColumnLayout& columns, GridViewSet& views, QWidget* grid)
    : m_columns(columns), m_grid(grid)
{
    for (GridHeaderView* header : {views.header, views.treeHeader})
        connect(header, &QWidget::customContextMenuRequested, this,
                [this, header](const QPoint& pos) { popUp(header, pos); });
}

QMenu* GridColumnMenu::create(int logical, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("gridColumnMenu"));
    const QString field = m_columns.fieldAt(logical);
    if (logical >= 0) {
        QAction* best = menu->addAction(tr("Best fit"));
        best->setObjectName(QStringLiteral("gridBestFit"));
        connect(best, &QAction::triggered, this, [this, field] { m_columns.autoSize(field); });
    }
    QAction* bestAll = menu->addAction(tr("Best fit (all columns)"));
    bestAll->setObjectName(QStringLiteral("gridBestFitAll"));
    connect(bestAll, &QAction::triggered, this, &GridColumnMenu::fitAll);
    QAction* autoWidthAction = menu->addAction(tr("Column auto-width"));
    autoWidthAction->setObjectName(QStringLiteral("gridAutoWidth"));
    autoWidthAction->setCheckable(true);
    autoWidthAction->setChecked(m_columns.autoWidth());
    connect(autoWidthAction, &QAction::toggled, &m_columns, &GridColumnLayout::setAutoWidth);
    if (m_extension && logical >= 0)
        m_extension(menu, field);
    if (m_customization && !m_columns.fieldNames().isEmpty()) {
        // The quick customisation list: every described column the model has, checked when shown.
        menu->addSeparator();
        QMenu* list = menu->addMenu(tr("Columns"));
        list->setObjectName(QStringLiteral("gridColumnList"));
        for (const GridColumn& c : m_columns.list()) {
            if (m_columns.modelColumn(c.field) < 0)
                continue;
            QAction* toggle = list->addAction(c.title());
            toggle->setObjectName(QStringLiteral("gridColumn_") + c.field);
            toggle->setCheckable(true);
            toggle->setChecked(c.visible);
            const QString name = c.field;
            connect(toggle, &QAction::toggled, &m_columns, [this, name](bool on) { m_columns.setVisible(name, on); });
        }
    }
    return menu;
}

void GridColumnMenu::fitAll()
{
    const QStringList fields = m_columns.visibleFields();
    for (const QString& field : fields)
        m_columns.autoSize(field);
}

void GridColumnMenu::popUp(QHeaderView* header, const QPoint& pos)
{
    QMenu* menu = create(header->logicalIndexAt(pos), m_grid);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(header->mapToGlobal(pos));
}

} // namespace pelmora::toolkit
