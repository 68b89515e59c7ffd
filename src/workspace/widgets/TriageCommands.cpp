#include "workspace/widgets/TriageCommands.h"

#include "common/ErrorLog.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QSqlQuery>
#include <QTimer>

namespace pelmora
{

namespace
{
const QString kNothingToUndo = QStringLiteral("Nothing to undo");
const QString kNothingToRedo = QStringLiteral("Nothing to redo");
const QString kUndoLink = QStringLiteral("Undo");
} // namespace

TriageCommands::TriageCommands(WorkspaceView& view, UserPort& port) : QObject(&view), view_(view), port_(port)
{
    setObjectName(QStringLiteral("triageCommands"));
    QWidget* owner = view_.ordersGrid();
    statusMenu_ = new QMenu(QStringLiteral("Set status"), owner);
    statusMenu_->setObjectName(QStringLiteral("menuSetStatus"));
    for (int n = 0; n < kStatusShortcuts; ++n) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("actionSetStatus%1").arg(n + 1));
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + n)));
        // The entry's status is read when it runs: the Status table may have changed.
        connect(action, &QAction::triggered, this, [this, n] {
            const QStringList names = statuses();
            if (n < names.size())
                setStatus(names[n]);
            else
                port_.setStatus(QStringLiteral("There is no status %1 in the Status list").arg(n + 1));
        });
        statusActions_ << action;
    }
    // Read again whenever it opens and whenever the database is opened anew.
    connect(statusMenu_, &QMenu::aboutToShow, this, &TriageCommands::refreshStatusEntries);
    connect(&view_.workspace().data(), &DataModule::reset, this, &TriageCommands::refreshStatusEntries);

    tick_ = new QAction(QStringLiteral("Tick \"Selected\""), this);
    tick_->setObjectName(QStringLiteral("actionTickSelected"));
    connect(tick_, &QAction::triggered, this, [this] { setSelectedTicks(true); });
    clear_ = new QAction(QStringLiteral("Clear \"Selected\""), this);
    clear_->setObjectName(QStringLiteral("actionClearSelected"));
    connect(clear_, &QAction::triggered, this, [this] { setSelectedTicks(false); });

    undo_ = new QAction(QStringLiteral("Undo"), this);
    undo_->setObjectName(QStringLiteral("actionUndo"));
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undo_, &QAction::triggered, this, &TriageCommands::undo);
    redo_ = new QAction(QStringLiteral("Redo"), this);
    redo_->setObjectName(QStringLiteral("actionRedo"));
    redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redo_, &QAction::triggered, this, &TriageCommands::redo);

    OrdersWorkspace& workspace = view_.workspace();
    connect(&workspace.history(), &OrderHistory::changed, this, &TriageCommands::refreshUndoState);
    connect(&workspace, &OrdersWorkspace::orderDeleted, this, &TriageCommands::showDeleted);
    deletedTimer_ = new QTimer(this);
    deletedTimer_->setSingleShot(true);
    connect(deletedTimer_, &QTimer::timeout, this, [this] {
        // Only while nothing else has been said since.
        const QString shown = port_.status();
        if (shown == deletedText_ || shown == linkedText())
            port_.setStatus(QString());
        offeredUndo_ = 0;
    });
    refreshStatusEntries();
    refreshUndoState();
}

QList<QAction*> TriageCommands::shortcutActions() const
{
    QList<QAction*> actions = statusActions_;
    actions << undo_ << redo_;
    return actions;
}

QStringList TriageCommands::statuses() const
{
    QStringList names;
    DataModule& data = view_.workspace().data();
    if (!data.isConnected())
        return names;
    try {
        QSqlQuery query = data.select(QStringLiteral("SELECT Status FROM Status ORDER BY rowid"));
        while (query.next())
            if (!query.isNull(0) && !query.value(0).toString().isEmpty())
                names << query.value(0).toString();
    } catch (const std::exception&) {
        names.clear();
    }
    return names;
}

void TriageCommands::refreshStatusEntries()
{
    const QStringList names = statuses();
    statusMenu_->clear();
    qDeleteAll(moreStatuses_);
    moreStatuses_.clear();
    for (int n = 0; n < names.size(); ++n) {
        QAction* action = n < kStatusShortcuts ? statusActions_[n] : nullptr;
        if (!action) {
            // Statuses past the ninth have no shortcut.
            action = new QAction(this);
            const QString status = names[n];
            connect(action, &QAction::triggered, this, [this, status] { setStatus(status); });
            moreStatuses_ << action;
        }
        // A status's own "&" is not an accelerator.
        action->setText(QString(names[n]).replace(QLatin1Char('&'), QStringLiteral("&&")));
        statusMenu_->addAction(action);
    }
}

void TriageCommands::refreshUndoState()
{
    const OrderHistory& history = view_.workspace().history();
    undo_->setEnabled(history.canUndo());
    redo_->setEnabled(history.canRedo());
    undo_->setToolTip(history.canUndo() ? QStringLiteral("Undo: ") + history.undoLabel() : kNothingToUndo);
    redo_->setToolTip(history.canRedo() ? QStringLiteral("Redo: ") + history.redoLabel() : kNothingToRedo);
    // Another change came after the deletion (or it was undone): its link would undo something
    // else now.
    if (offeredUndo_ && history.undoSerial() != offeredUndo_)
        withdrawUndoLink();
}

QString TriageCommands::linkedText() const
{
    return deletedText_ + QLatin1Char(' ') + kUndoLink;
}

void TriageCommands::withdrawUndoLink()
{
    offeredUndo_ = 0;
    if (port_.status() == linkedText())
        port_.withdrawStatusLink();
}

void TriageCommands::fillContextMenu(QMenu* menu)
{
    refreshStatusEntries();
    menu->addMenu(statusMenu_);
    menu->addAction(tick_);
    menu->addAction(clear_);
    menu->addSeparator();
    menu->addAction(undo_);
    menu->addAction(redo_);
}

void TriageCommands::failed(const QString& what, const QString& message)
{
    LogError(message, QStringLiteral(" method: ") + what);
    port_.setStatus(what + QStringLiteral(" failed, nothing was changed: ") + message);
}

void TriageCommands::setStatus(const QString& status)
{
    const QList<qint64> keys = view_.ordersGrid()->selectedKeys();
    if (keys.isEmpty())
        return;
    try {
        BusyCursor busy(port_);
        view_.workspace().setOrdersValue(keys, QStringLiteral("Status"), status);
    } catch (const std::exception& e) {
        failed(QStringLiteral("Set status"), QString::fromStdString(e.what()));
        return;
    }
    port_.setStatus(view_.workspace().history().undoLabel());
}

void TriageCommands::setSelectedTicks(bool on)
{
    const QList<qint64> keys = view_.ordersGrid()->selectedKeys();
    if (keys.isEmpty())
        return;
    try {
        BusyCursor busy(port_);
        view_.workspace().setOrdersValue(keys, QStringLiteral("Selected"), on);
    } catch (const std::exception& e) {
        failed(on ? QStringLiteral("Tick Selected") : QStringLiteral("Clear Selected"),
               QString::fromStdString(e.what()));
        return;
    }
    port_.setStatus(view_.workspace().history().undoLabel());
}

void TriageCommands::undo()
{
    QString label;
    try {
        BusyCursor busy(port_);
        label = view_.workspace().undo();
    } catch (const std::exception& e) {
        failed(QStringLiteral("Undo"), QString::fromStdString(e.what()));
        return;
    }
    port_.setStatus(label.isEmpty() ? kNothingToUndo : QStringLiteral("Undone: ") + label);
}

void TriageCommands::redo()
{
    QString label;
    try {
        BusyCursor busy(port_);
        label = view_.workspace().redo();
    } catch (const std::exception& e) {
        failed(QStringLiteral("Redo"), QString::fromStdString(e.what()));
        return;
    }
    port_.setStatus(label.isEmpty() ? kNothingToRedo : QStringLiteral("Redone: ") + label);
}

void TriageCommands::showDeleted(const QString& message)
{
    deletedText_ = message + QLatin1Char('.');
    offeredUndo_ = view_.workspace().history().undoSerial();
    QPointer<TriageCommands> self(this);
    const quint64 deletion = offeredUndo_;
    port_.setLinkedStatus(deletedText_, kUndoLink, [self, deletion] {
        if (!self)
            return;
        if (self->view_.workspace().history().undoSerial() == deletion)
            self->undo();
        else
            self->withdrawUndoLink();
    });
    deletedTimer_->start(kDeletedMessageMs);
}

} // namespace pelmora
