#include "workspace/widgets/ItemsGrid.h"

#include "toolkit/widgets/DataGrid.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/OrderGridStyle.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace pelmora
{

namespace
{

toolkit::GridColumn column(const char* field, toolkit::EditorKind editor, int width)
{
    toolkit::GridColumn c;
    c.field = QString::fromLatin1(field);
    c.editor = editor;
    c.width = width;
    if (editor == toolkit::EditorKind::Currency) {
        c.displayFormat = OrderColumns::kCurrencyFormat;
        c.alignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    return c;
}

} // namespace

ItemsGrid::ItemsGrid(OrdersWorkspace& workspace, QWidget* parent) : QWidget(parent), workspace_(workspace)
{
    using toolkit::EditorKind;
    using toolkit::RecordNavigator;
    setObjectName(QStringLiteral("itemsGridArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("itemsTabs"));
    layout->addWidget(tabs_);

    grid_ = new toolkit::DataGrid(tabs_);
    grid_->setObjectName(QStringLiteral("itemsGrid"));
    grid_->setFont(OrderGridStyle::contentFont());
    grid_->columns().setColumns({column("Qty", EditorKind::Number, 74), column("ProductCode", EditorKind::Text, 144),
                                 column("Product", EditorKind::Memo, 170), column("Units", EditorKind::Text, 57),
                                 column("Price", EditorKind::Currency, 74),
                                 column("Amount", EditorKind::Currency, 74)});
    grid_->navigator()->setButtons({RecordNavigator::Prior, RecordNavigator::Next, RecordNavigator::Insert,
                                    RecordNavigator::Delete, RecordNavigator::Post});
    grid_->navigator()->setShowHints(true);
    grid_->navigator()->setConfirmDelete(false);
    grid_->setSelectionBackground(OrderGridStyle::kSelectionBackground);
    grid_->columns().setRowResizingAllowed(true);
    grid_->columnMenu().setCustomizationAllowed(true);
    grid_->grouping().setEnabled(false);
    grid_->grouping().setBoxVisible(false);
    grid_->columns().setAutoWidth(true);
    tabs_->addTab(grid_, kItemsTab);

    connect(&workspace_, &OrdersWorkspace::sourceChanged, this, [this] { bindModel(); });
    bindModel();
}

void ItemsGrid::bindModel()
{
    grid_->setModel(workspace_.DataSourceItems());
}

} // namespace pelmora
