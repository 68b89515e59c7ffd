#include "workspace/widgets/SavedViewsMenu.h"

#include "common/UserPort.h"
#include "toolkit/widgets/DataGrid.h"
#include "workspace/widgets/OrderSearchBar.h"
#include "workspace/widgets/OrdersGrid.h"

#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>
#include <QToolButton>

namespace pelmora
{

SavedViewsMenu::SavedViewsMenu(OrdersGrid& grid, UserPort& port, QObject* parent)
    : QObject(parent), grid_(grid), port_(port)
{
    setObjectName(QStringLiteral("savedViews"));
    menu_ = new QMenu(kTitle, &grid_);
    menu_->setObjectName(QStringLiteral("menuSavedViews"));
    button_ = new QToolButton(&grid_);
    button_->setObjectName(QStringLiteral("savedViewsButton"));
    button_->setMenu(menu_);
    button_->setPopupMode(QToolButton::InstantPopup);
    button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button_->setToolTip(kTitle);
    grid_.searchBar()->addWidget(button_);
    rebuild();
}

SavedViewsMenu::~SavedViewsMenu() = default;

void SavedViewsMenu::setProgramFolder(const QString& root)
{
    views_ = std::make_unique<SavedViews>(root);
    current_.clear();
    rebuild();
}

QWidget* SavedViewsMenu::dialogParent() const
{
    return grid_.window();
}

void SavedViewsMenu::rebuild()
{
    menu_->clear();
    auto* group = new QActionGroup(menu_);
    if (views_) {
        for (const QString& name : views_->names()) {
            QAction* action = menu_->addAction(name);
            action->setCheckable(true);
            action->setChecked(name == current_);
            group->addAction(action);
            connect(action, &QAction::triggered, this, [this, name] { apply(name); });
        }
    }
    if (!menu_->isEmpty())
        menu_->addSeparator();
    QAction* save = menu_->addAction(kSaveAs, this, &SavedViewsMenu::askSaveAs);
    save->setObjectName(QStringLiteral("actionSaveViewAs"));
    save->setEnabled(views_ != nullptr);
    QAction* rename = menu_->addAction(kRename, this, &SavedViewsMenu::askRename);
    rename->setObjectName(QStringLiteral("actionRenameView"));
    rename->setEnabled(!current_.isEmpty());
    QAction* remove = menu_->addAction(kDelete, this, &SavedViewsMenu::askDelete);
    remove->setObjectName(QStringLiteral("actionDeleteView"));
    remove->setEnabled(!current_.isEmpty());
    button_->setText(current_.isEmpty() ? kNoView : current_);
    // Room for the text and the drop-down arrow beside it.
    button_->setMinimumWidth(button_->fontMetrics().horizontalAdvance(button_->text()) + 28);
}

SavedView SavedViewsMenu::capture(const QString& name) const
{
    toolkit::DataGrid* grid = grid_.grid();
    SavedView view;
    view.name = name;
    view.filter = grid->filtering().filter().root();
    view.filterActive = grid->filtering().filter().isActive();
    view.search = grid_.searchBar()->text();
    view.sortField = grid->sortField();
    view.sortOrder = grid->sortOrder();
    view.groups = grid->grouping().groupedColumns();
    view.columns = grid->columns().visibleFields();
    return view;
}

bool SavedViewsMenu::apply(const QString& name)
{
    const SavedView* found = views_ ? views_->find(name) : nullptr;
    if (!found)
        return false;
    const SavedView view = *found;
    toolkit::DataGrid* grid = grid_.grid();
    if (!view.columns.isEmpty()) {
        grid->columns().hideAll();
        for (const QString& field : view.columns)
            grid->columns().setVisible(field, true);
    }
    if (!view.groups.isEmpty())
        grid_.EnableColumnGrouping();
    grid->grouping().setGroupedColumns(view.groups);
    grid->sortBy(view.sortField, view.sortOrder);
    toolkit::GridFilter filter;
    filter.setRoot(view.filter);
    filter.setActive(view.filterActive);
    grid->filtering().setFilter(filter);
    grid_.searchBar()->setText(view.search);
    current_ = view.name;
    views_->setLast(current_);
    rebuild();
    return true;
}

void SavedViewsMenu::restoreLast()
{
    if (views_ && !views_->last().isEmpty())
        apply(views_->last());
}

void SavedViewsMenu::saveAs(const QString& name)
{
    if (!views_ || name.trimmed().isEmpty())
        return;
    views_->put(capture(name.trimmed()));
    current_ = views_->find(name)->name;
    views_->setLast(current_);
    rebuild();
    port_.setStatus(kSaved.arg(current_));
}

bool SavedViewsMenu::renameCurrent(const QString& name)
{
    if (!views_ || current_.isEmpty() || !views_->rename(current_, name))
        return false;
    current_ = name.trimmed();
    rebuild();
    return true;
}

void SavedViewsMenu::deleteCurrent()
{
    if (!views_ || current_.isEmpty())
        return;
    views_->remove(current_);
    current_.clear();
    rebuild();
}

void SavedViewsMenu::askSaveAs()
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(dialogParent(), kSaveAs.chopped(3), kNameLabel, QLineEdit::Normal, current_, &ok)
            .trimmed();
    if (!ok || name.isEmpty())
        return;
    const SavedView* existing = views_->find(name);
    if (existing && existing->name != current_ && !port_.confirm(kReplace.arg(existing->name)))
        return;
    saveAs(name);
}

void SavedViewsMenu::askRename()
{
    bool ok = false;
    const QString name =
        QInputDialog::getText(dialogParent(), kRename.chopped(3), kNameLabel, QLineEdit::Normal, current_, &ok)
            .trimmed();
    if (!ok || name.isEmpty() || name == current_)
        return;
    if (!renameCurrent(name))
        port_.warning(QStringLiteral("A saved view is already called \"%1\".").arg(name));
}

void SavedViewsMenu::askDelete()
{
    if (!current_.isEmpty() && port_.confirm(kDeleteQuestion.arg(current_)))
        deleteCurrent();
}

} // namespace pelmora
