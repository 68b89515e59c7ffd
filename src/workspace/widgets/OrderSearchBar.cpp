#include "workspace/widgets/OrderSearchBar.h"

#include "toolkit/widgets/DataGrid.h"
#include "workspace/OrderSearch.h"
#include "workspace/OrdersWorkspace.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

namespace pelmora
{

OrderSearchBar::OrderSearchBar(OrdersWorkspace& workspace, toolkit::DataGrid* grid, QWidget* parent)
    : QWidget(parent), workspace_(workspace), grid_(grid)
{
    setObjectName(QStringLiteral("ordersSearchBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    box_ = new QLineEdit(this);
    box_->setObjectName(QStringLiteral("ordersSearchBox"));
    box_->setPlaceholderText(kPlaceholder);
    box_->setClearButtonEnabled(true);
    box_->setToolTip(QStringLiteral("Finds orders by name, company, e-mail, address, phone, order number, payment "
                                    "reference, notes or the products of their items"));
    box_->installEventFilter(this);
    layout->addWidget(box_, 1);
    // Tab goes on from the box to the orders it narrows.
    QWidget::setTabOrder(box_, grid_->tableView());

    pause_ = new QTimer(this);
    pause_->setSingleShot(true);
    pause_->setInterval(kTypingPauseMs);
    connect(pause_, &QTimer::timeout, this, &OrderSearchBar::apply);
    connect(box_, &QLineEdit::textChanged, pause_, qOverload<>(&QTimer::start));
    connect(box_, &QLineEdit::returnPressed, this, &OrderSearchBar::apply);

    find_ = new QAction(QStringLiteral("Find"), this);
    find_->setObjectName(QStringLiteral("actionFind"));
    find_->setShortcut(QKeySequence::Find);
    find_->setShortcutContext(Qt::WindowShortcut);
    connect(find_, &QAction::triggered, this, [this] {
        box_->setFocus(Qt::ShortcutFocusReason);
        box_->selectAll();
    });
    addAction(find_);
}

void OrderSearchBar::addWidget(QWidget* widget)
{
    // In the tab order between the box (or the widget put before it) and the grid.
    QWidget* before = layout()->itemAt(layout()->count() - 1)->widget();
    layout()->addWidget(widget);
    QWidget::setTabOrder(before, widget);
    QWidget::setTabOrder(widget, grid_->tableView());
}

void OrderSearchBar::setText(const QString& text)
{
    box_->setText(text);
    apply();
}

QString OrderSearchBar::text() const
{
    return box_->text();
}

void OrderSearchBar::apply()
{
    pause_->stop();
    const QString text = box_->text();
    grid_->setHighlightedWords(OrderSearch::words(text));
    if (text == workspace_.searchText())
        return;
    // A short word is found by a scan, which takes a moment on a big file.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    workspace_.setSearchText(text);
    QApplication::restoreOverrideCursor();
}

bool OrderSearchBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == box_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (box_->text().isEmpty())
            grid_->setFocus(Qt::OtherFocusReason);
        else
            setText(QString());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pelmora
