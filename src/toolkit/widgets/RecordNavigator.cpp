#include "toolkit/widgets/RecordNavigator.h"

#include "toolkit/SqlModel.h"
#include "toolkit/widgets/GridViews.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

namespace pelmora::toolkit
{

namespace
{

struct ButtonLook {
    RecordNavigator::Button button;
    const char* objectName;
    const char* text;
    const char* hint;
};

// The navigator's fixed order; the caller picks a subset.
const ButtonLook kLooks[] = {
    {RecordNavigator::First, "navFirst", "|<", "First record"},
    {RecordNavigator::PriorPage, "navPriorPage", "<<", "Prior page"},
    {RecordNavigator::Prior, "navPrior", "<", "Prior record"},
    {RecordNavigator::Next, "navNext", ">", "Next record"},
    {RecordNavigator::NextPage, "navNextPage", ">>", "Next page"},
    {RecordNavigator::Last, "navLast", ">|", "Last record"},
    {RecordNavigator::Insert, "navInsert", "+", "Insert record"},
    {RecordNavigator::Delete, "navDelete", "\u2212", "Delete record"},
    {RecordNavigator::Edit, "navEdit", "Edit", "Edit record"},
    {RecordNavigator::Post, "navPost", "Post", "Post edit"},
    {RecordNavigator::Cancel, "navCancel", "Cancel", "Cancel edit"},
    {RecordNavigator::Refresh, "navRefresh", "Refresh", "Refresh data"},
    {RecordNavigator::SaveBookmark, "navSaveBookmark", "Mark", "Save bookmark"},
    {RecordNavigator::GotoBookmark, "navGotoBookmark", "Go", "Goto bookmark"},
    {RecordNavigator::Filter, "navFilter", "Filter", "Customize filter"},
};

const char kConfirmDeleteText[] = "Delete record?";

QIcon standardIcon(RecordNavigator::Button b, QStyle* style)
{
    switch (b) {
    case RecordNavigator::First:
        return style->standardIcon(QStyle::SP_MediaSkipBackward);
    case RecordNavigator::PriorPage:
        return style->standardIcon(QStyle::SP_MediaSeekBackward);
    case RecordNavigator::Prior:
        return style->standardIcon(QStyle::SP_ArrowLeft);
    case RecordNavigator::Next:
        return style->standardIcon(QStyle::SP_ArrowRight);
    case RecordNavigator::NextPage:
        return style->standardIcon(QStyle::SP_MediaSeekForward);
    case RecordNavigator::Last:
        return style->standardIcon(QStyle::SP_MediaSkipForward);
    case RecordNavigator::Post:
        return style->standardIcon(QStyle::SP_DialogApplyButton);
    case RecordNavigator::Cancel:
        return style->standardIcon(QStyle::SP_DialogCancelButton);
    case RecordNavigator::Refresh:
        return style->standardIcon(QStyle::SP_BrowserReload);
    default:
        return {};
    }
}

} // namespace

RecordNavigator::RecordNavigator(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("recordNavigator"));
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(2, 2, 2, 2);
    m_layout->setSpacing(1);
    for (const ButtonLook& look : kLooks) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(look.objectName));
        const QIcon icon = standardIcon(look.button, style());
        if (icon.isNull())
            b->setText(QString::fromUtf8(look.text));
        else
            b->setIcon(icon);
        b->setToolTip(QString::fromLatin1(look.hint));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setVisible(false);
        const Button which = look.button;
        connect(b, &QToolButton::clicked, this, [this, which] { trigger(which); });
        m_layout->addWidget(b);
        m_buttons.insert(which, b);
    }
    m_layout->addStretch(1);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("navigatorCount"));
    m_count->setContentsMargins(4, 0, 6, 0);
    m_layout->addWidget(m_count);
    setButtons({First, Prior, Next, Last, Insert, Delete, Post, Cancel, Refresh});
    // An editor opening takes the focus and one closing gives it back: Post and Cancel follow,
    // once the view has taken the editor in or let it go.
    connect(qApp, &QApplication::focusChanged, this,
            [this] { QMetaObject::invokeMethod(this, &RecordNavigator::updateButtons, Qt::QueuedConnection); });
}

QString RecordNavigator::buttonObjectName(Button which)
{
    for (const ButtonLook& look : kLooks)
        if (look.button == which)
            return QString::fromLatin1(look.objectName);
    return {};
}

void RecordNavigator::setView(QAbstractItemView* view)
{
    if (m_selectionConnection)
        disconnect(m_selectionConnection);
    m_view = view;
    watchModel(view ? view->model() : nullptr);
    if (view && view->selectionModel())
        m_selectionConnection = connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                                        &RecordNavigator::updateButtons);
    updateButtons();
}

void RecordNavigator::setCountText(const QString& text)
{
    m_count->setText(text);
}

QString RecordNavigator::countText() const
{
    return m_count->text();
}

QAbstractItemView* RecordNavigator::view() const
{
    return m_view;
}

void RecordNavigator::watchModel(QAbstractItemModel* model)
{
    for (const auto& c : std::as_const(m_modelConnections))
        disconnect(c);
    m_modelConnections.clear();
    m_model = model;
    if (!model)
        return;
    m_modelConnections << connect(model, &QAbstractItemModel::rowsInserted, this, &RecordNavigator::updateButtons)
                       << connect(model, &QAbstractItemModel::rowsRemoved, this, &RecordNavigator::updateButtons)
                       << connect(model, &QAbstractItemModel::modelReset, this, &RecordNavigator::updateButtons)
                       << connect(model, &QAbstractItemModel::layoutChanged, this, &RecordNavigator::updateButtons);
}

void RecordNavigator::setButtons(const QList<Button>& buttons)
{
    m_shown.clear();
    for (const ButtonLook& look : kLooks) {
        const bool show = buttons.contains(look.button);
        m_buttons.value(look.button)->setVisible(show);
        if (show)
            m_shown << look.button;
    }
    updateButtons();
}

QList<RecordNavigator::Button> RecordNavigator::buttons() const
{
    return m_shown;
}

QToolButton* RecordNavigator::button(Button which) const
{
    return m_buttons.value(which);
}

void RecordNavigator::setConfirmDelete(bool confirm)
{
    m_confirmDelete = confirm;
}

bool RecordNavigator::confirmDelete() const
{
    return m_confirmDelete;
}

void RecordNavigator::setDeleteRefused(bool refused)
{
    m_deleteRefused = refused;
    updateButtons();
}

bool RecordNavigator::deleteRefused() const
{
    return m_deleteRefused;
}

void RecordNavigator::setShowHints(bool show)
{
    for (const ButtonLook& look : kLooks)
        m_buttons.value(look.button)->setToolTip(show ? QString::fromLatin1(look.hint) : QString());
}

void RecordNavigator::setActionHandler(Button which, std::function<void()> handler)
{
    if (handler)
        m_handlers.insert(which, std::move(handler));
    else
        m_handlers.remove(which);
}

void RecordNavigator::setPageSize(int rows)
{
    m_pageSize = rows;
}

void RecordNavigator::trigger(Button which)
{
    if (which == Delete && m_deleteRefused)
        return;
    emit buttonClicked(which);
    if (const auto handler = m_handlers.value(which)) {
        handler();
        updateButtons();
        return;
    }
    runDefault(which);
    updateButtons();
}

void RecordNavigator::runDefault(Button which)
{
    switch (which) {
    case First:
        moveTo(0);
        break;
    case PriorPage:
        moveBy(-pageRows());
        break;
    case Prior:
        moveBy(-1);
        break;
    case Next:
        moveBy(1);
        break;
    case NextPage:
        moveBy(pageRows());
        break;
    case Last:
        moveTo(rowCount() - 1);
        break;
    case Insert:
        insertRow();
        break;
    case Delete:
        deleteRow();
        break;
    case Edit:
        editCurrent();
        break;
    case Post:
        post();
        break;
    case Cancel:
        cancel();
        break;
    case Refresh:
        refresh();
        break;
    case SaveBookmark:
        if (m_view)
            m_bookmark = m_view->currentIndex();
        break;
    case GotoBookmark:
        if (m_view && m_bookmark.isValid())
            m_view->setCurrentIndex(m_bookmark);
        break;
    case Filter:
        emit filterRequested();
        break;
    }
    emit actionDone(which);
}

int RecordNavigator::rowCount() const
{
    if (!m_view || !m_view->model())
        return 0;
    return m_view->model()->rowCount(m_view->rootIndex());
}

int RecordNavigator::currentRow() const
{
    if (!m_view)
        return -1;
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int RecordNavigator::targetColumn() const
{
    // Stay in the merchant's column; a hidden one (the view's first column, often the key)
    // gives way to the first column shown.
    const QModelIndex current = m_view->currentIndex();
    QHeaderView* header = nullptr;
    if (auto* table = qobject_cast<QTableView*>(m_view.data()))
        header = table->horizontalHeader();
    else if (auto* tree = qobject_cast<QTreeView*>(m_view.data()))
        header = tree->header();
    if (!header)
        return current.isValid() ? current.column() : 0;
    if (current.isValid() && !header->isSectionHidden(current.column()))
        return current.column();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            return logical;
    }
    return 0;
}

int RecordNavigator::pageRows() const
{
    if (m_pageSize > 0 || !m_view)
        return qMax(1, m_pageSize);
    const QModelIndex top = m_view->indexAt(QPoint(1, 1));
    const QModelIndex bottom = m_view->indexAt(QPoint(1, m_view->viewport()->height() - 2));
    if (top.isValid() && bottom.isValid())
        return qMax(1, bottom.row() - top.row());
    return 10;
}

void RecordNavigator::moveTo(int row)
{
    if (!m_view || !m_view->model())
        return;
    QAbstractItemModel* model = m_view->model();
    // Let a windowed model fetch the rows it has not read yet before moving to the end.
    if (row >= rowCount() - 1) {
        while (model->canFetchMore(m_view->rootIndex()))
            model->fetchMore(m_view->rootIndex());
        if (row > 0)
            row = rowCount() - 1;
    }
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex target = model->index(row, targetColumn(), m_view->rootIndex());
    m_view->setCurrentIndex(target);
    m_view->scrollTo(target);
}

void RecordNavigator::moveBy(int delta)
{
    if (!m_view)
        return;
    if (auto* tree = qobject_cast<QTreeView*>(m_view.data());
        tree && tree->currentIndex().isValid() && (delta == 1 || delta == -1)) {
        const QModelIndex next =
            delta > 0 ? tree->indexBelow(tree->currentIndex()) : tree->indexAbove(tree->currentIndex());
        if (next.isValid())
            tree->setCurrentIndex(next);
        return;
    }
    const int row = currentRow();
    moveTo(qBound(0, (row < 0 ? 0 : row + delta), qMax(0, rowCount() - 1)));
}

void RecordNavigator::insertRow()
{
    if (!m_view || !m_view->model())
        return;
    QAbstractItemModel* model = m_view->model();
    while (model->canFetchMore(m_view->rootIndex()))
        model->fetchMore(m_view->rootIndex());
    int row = rowCount();
    // A sorted model shows the new row where its sort puts it, and says where.
    int inserted = -1;
    const QMetaObject::Connection watch =
        connect(model, &QAbstractItemModel::rowsInserted, this, [&inserted](const QModelIndex&, int first, int) {
            if (inserted < 0)
                inserted = first;
        });
    const bool done = model->insertRow(row, m_view->rootIndex());
    disconnect(watch);
    if (!done)
        return;
    if (inserted >= 0)
        row = inserted;
    const QModelIndex target = model->index(qMin(row, rowCount() - 1), targetColumn(), m_view->rootIndex());
    m_view->setCurrentIndex(target);
    m_view->scrollTo(target);
    m_view->setFocus();
    emit rowInserted(row);
}

void RecordNavigator::deleteRow()
{
    if (!m_view || !m_view->model() || m_deleteRefused)
        return;
    const int row = currentRow();
    if (row < 0)
        return;
    if (m_confirmDelete) {
        QMessageBox box(QMessageBox::Question, windowTitle(), QString::fromLatin1(kConfirmDeleteText),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
        box.setObjectName(QStringLiteral("navigatorConfirmDelete"));
        if (box.exec() != QMessageBox::Ok)
            return;
    }
    QAbstractItemModel* model = m_view->model();
    const int column = targetColumn();
    if (!model->removeRow(row, m_view->rootIndex()))
        return;
    const int left = rowCount();
    if (left > 0) {
        const QModelIndex target = model->index(qMin(row, left - 1), column, m_view->rootIndex());
        m_view->setCurrentIndex(target);
    }
    emit rowDeleted(row);
}

void RecordNavigator::editCurrent()
{
    if (m_view && m_view->currentIndex().isValid())
        m_view->edit(m_view->currentIndex());
}

void RecordNavigator::post()
{
    if (!m_view || !m_view->model())
        return;
    postEditedValue(m_view);
    m_view->model()->submit();
}

void RecordNavigator::cancel()
{
    if (!m_view || !m_view->model())
        return;
    const QModelIndex current = m_view->currentIndex();
    if (QWidget* editor = current.isValid() ? m_view->indexWidget(current) : nullptr)
        emit m_view->itemDelegateForIndex(current)->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    else
        m_view->model()->revert();
}

void RecordNavigator::refresh()
{
    // Without a handler a SQL model re-reads its rows; any other model is told to refresh.
    SqlModel* sql = SqlModel::of(m_view ? m_view->model() : nullptr);
    if (!sql) {
        emit refreshRequested();
        return;
    }
    const int row = currentRow();
    const int column = qMax(0, m_view->currentIndex().column());
    sql->refresh();
    if (row >= 0)
        moveTo(qMin(row, rowCount() - 1));
    else if (column >= 0 && rowCount() > 0)
        moveTo(0);
}

void RecordNavigator::updateButtons()
{
    const int rows = rowCount();
    const int row = currentRow();
    const bool hasView = m_view && m_view->model();
    m_buttons.value(First)->setEnabled(hasView && row != 0 && rows > 0);
    m_buttons.value(PriorPage)->setEnabled(hasView && row > 0);
    m_buttons.value(Prior)->setEnabled(hasView && row > 0);
    const bool atEnd = row >= rows - 1 && !(hasView && m_view->model()->canFetchMore(m_view->rootIndex()));
    m_buttons.value(Next)->setEnabled(hasView && rows > 0 && !atEnd);
    m_buttons.value(NextPage)->setEnabled(hasView && rows > 0 && !atEnd);
    m_buttons.value(Last)->setEnabled(hasView && rows > 0 && !atEnd);
    // A closed data set (a detail grid with no master row) takes no new row.
    const SqlModel* sql = hasView ? SqlModel::of(m_view->model()) : nullptr;
    m_buttons.value(Insert)->setEnabled(hasView && (!sql || sql->isOpen()));
    m_buttons.value(Delete)->setEnabled(hasView && row >= 0 && !m_deleteRefused);
    m_buttons.value(Edit)->setEnabled(hasView && row >= 0);
    // Post and Cancel have a value to post or drop only while one is being edited.
    const QModelIndex current = hasView ? m_view->currentIndex() : QModelIndex();
    const bool editing = current.isValid() && m_view->indexWidget(current);
    m_buttons.value(Post)->setEnabled(editing);
    m_buttons.value(Cancel)->setEnabled(editing);
    m_buttons.value(GotoBookmark)->setEnabled(m_bookmark.isValid());
}

} // namespace pelmora::toolkit
