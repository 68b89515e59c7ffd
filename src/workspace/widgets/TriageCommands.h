#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QTimer;

namespace pelmora
{

class UserPort;
class WorkspaceView;

// The commands that work the orders off quickly: "Set status" for the selected orders (the
// first nine statuses of the Status table also on Ctrl+1 ... Ctrl+9), "Tick Selected" and
// "Clear Selected" for them, "Undo" (Ctrl+Z) and "Redo" (Ctrl+Shift+Z, Ctrl+Y). Each reports
// itself in the status bar; a failure changes nothing and says why. A deleted order is
// announced with an "Undo" link, taken away as soon as another change comes after it.
class TriageCommands : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kStatusShortcuts = 9;
    // How long the status bar says that an order was deleted.
    static constexpr int kDeletedMessageMs = 6000;

    TriageCommands(WorkspaceView& view, UserPort& port);

    // "Set status", its entries read from the Status table each time it opens.
    QMenu* statusMenu() const { return statusMenu_; }
    // The entry for the n-th status (0-based, below kStatusShortcuts), with its shortcut.
    QAction* statusAction(int n) const { return statusActions_.value(n); }
    QAction* tickAction() const { return tick_; }
    QAction* clearAction() const { return clear_; }
    QAction* undoAction() const { return undo_; }
    QAction* redoAction() const { return redo_; }
    // Every action with a shortcut, for a window to take in.
    QList<QAction*> shortcutActions() const;

    // The statuses of the Status table in its order (empty when it cannot be read).
    QStringList statuses() const;
    // Fills the grid's context menu.
    void fillContextMenu(QMenu* menu);

    void setStatus(const QString& status);
    void setSelectedTicks(bool on);
    void undo();
    void redo();

  private:
    void refreshStatusEntries();
    void refreshUndoState();
    // Says that an order was deleted, with a link that undoes exactly that deletion.
    void showDeleted(const QString& message);
    void withdrawUndoLink();
    QString linkedText() const;
    void failed(const QString& what, const QString& message);

    WorkspaceView& view_;
    UserPort& port_;
    QMenu* statusMenu_ = nullptr;
    QList<QAction*> statusActions_;
    QList<QAction*> moreStatuses_;
    QAction* tick_ = nullptr;
    QAction* clear_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QTimer* deletedTimer_ = nullptr;
    // "Order N and its K items deleted." and the change its "Undo" link undoes (0: none offered).
    QString deletedText_;
    quint64 offeredUndo_ = 0;
};

} // namespace pelmora
