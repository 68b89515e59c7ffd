#pragma once

#include "workspace/SavedViews.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QMenu;
class QToolButton;

namespace pelmora
{

class OrdersGrid;
class UserPort;

// The saved views of the orders grid: a drop-down beside the search box and the same list in
// the View menu. Choosing a view brings back its filter, search, sort, grouping and visible
// columns; "Save view as..." keeps what the grid shows now under a name; the view in use can be
// renamed and deleted there. The view used last comes back at the next start.
class SavedViewsMenu : public QObject
{
    Q_OBJECT
  public:
    static inline const QString kTitle = QStringLiteral("Saved views");
    static inline const QString kNoView = QStringLiteral("Views");
    static inline const QString kSaveAs = QStringLiteral("Save view as...");
    static inline const QString kRename = QStringLiteral("Rename view...");
    static inline const QString kDelete = QStringLiteral("Delete view");
    static inline const QString kNameLabel = QStringLiteral("Name of the view:");
    static inline const QString kReplace = QStringLiteral("Replace the saved view \"%1\"?");
    static inline const QString kDeleteQuestion = QStringLiteral("Delete the saved view \"%1\"?");
    static inline const QString kSaved = QStringLiteral("View \"%1\" saved");

    SavedViewsMenu(OrdersGrid& grid, UserPort& port, QObject* parent = nullptr);
    ~SavedViewsMenu() override;

    // Reads the views of the program folder `root` (with its trailing separator).
    void setProgramFolder(const QString& root);
    QMenu* menu() const { return menu_; }
    QToolButton* button() const { return button_; }
    const SavedViews* views() const { return views_.get(); }
    QString currentName() const { return current_; }

    // What the grid shows now, as a view of that name.
    SavedView capture(const QString& name) const;
    // Brings a view back; false when there is none of that name.
    bool apply(const QString& name);
    // The view used last, if it is still saved.
    void restoreLast();
    // What the commands do once their name is known (the commands ask for it first).
    void saveAs(const QString& name);
    bool renameCurrent(const QString& name);
    void deleteCurrent();

  private:
    void rebuild();
    void askSaveAs();
    void askRename();
    void askDelete();
    QWidget* dialogParent() const;

    OrdersGrid& grid_;
    UserPort& port_;
    std::unique_ptr<SavedViews> views_;
    QString current_;
    QMenu* menu_ = nullptr;
    QToolButton* button_ = nullptr;
};

} // namespace pelmora
