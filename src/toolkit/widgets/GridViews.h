#pragma once

#include "toolkit/widgets/CellEditorDelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QResizeEvent>
#include <QTableView>
#include <QTreeView>

namespace pelmora::toolkit
{

// Posts the value being edited in the view's current cell and closes its editor, as Enter
// would; nothing when no value is being edited.
inline void postEditedValue(QAbstractItemView* view)
{
    const QModelIndex current = view->currentIndex();
    if (QWidget* editor = current.isValid() ? view->indexWidget(current) : nullptr) {
        QAbstractItemDelegate* delegate = view->itemDelegateForIndex(current);
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

// The editing behaviour shared by the grid's table, the grouped tree and the inspector: a
// click on a cell or a keystroke starts editing (keyboard moves alone do not), and the
// owner's editing-start guard is asked before any editor opens.
//
// With click-to-focus (the grids), a click only makes a cell current; editing starts on a
// second click on the current cell, a typed character, Enter or F2. So merely looking at a
// row never edits it.
template <class Base> class EditingView : public Base
{
  public:
    using Base::Base;

    void setCellDelegate(CellEditorDelegate* delegate)
    {
        m_delegate = delegate;
        Base::setItemDelegate(delegate);
    }

    void setClickToFocus(bool on) { m_clickToFocus = on; }

  protected:
    bool edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger, QEvent* event) override
    {
        if (!m_delegate || Base::state() == QAbstractItemView::EditingState || !index.isValid())
            return Base::edit(index, trigger, event);
        const bool wanted = trigger == QAbstractItemView::AllEditTriggers || (Base::editTriggers() & trigger);
        if (!wanted || !m_delegate->opensEditor(index))
            return Base::edit(index, trigger, event);
        // A keystroke that a view uses for itself (arrows, page keys) does not start editing.
        if (trigger == QAbstractItemView::AnyKeyPressed && event && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->text().isEmpty() || key->text().at(0).category() == QChar::Other_Control)
                return Base::edit(index, trigger, event);
        }
        QModelIndex target = index;
        if (!m_delegate->approveEdit(this, target))
            return false;
        if (target != Base::currentIndex())
            Base::setCurrentIndex(target);
        if (!Base::edit(target, trigger, event))
            return false;
        // F2 goes on with the text: the caret at its end, nothing selected.
        if (trigger == QAbstractItemView::EditKeyPressed && event && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2)
            caretToEnd(Base::indexWidget(target));
        return true;
    }

    // Enter in an editor posts the value (the delegate closes the editor with SubmitModelCache)
    // and moves to the cell below, ready for the next Enter.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        Base::closeEditor(editor, hint);
        if (hint != QAbstractItemDelegate::SubmitModelCache || !Base::currentIndex().isValid())
            return;
        const QModelIndex below = Base::moveCursor(QAbstractItemView::MoveDown, Qt::NoModifier);
        if (below.isValid() && below != Base::currentIndex())
            Base::setCurrentIndex(below);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressed = Base::indexAt(event->position().toPoint());
        m_pressedWasCurrent = m_pressed.isValid() && m_pressed == Base::currentIndex();
        Base::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        // Alt+Down and F4 open a drop-down cell's list.
        const bool listKey = (event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier) ||
                             (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier);
        if (listKey && m_delegate && Base::state() != QAbstractItemView::EditingState &&
            Base::currentIndex().isValid()) {
            const GridColumn* column = m_delegate->columnFor(Base::currentIndex());
            if (column && column->editor == EditorKind::Lookup && m_delegate->opensEditor(Base::currentIndex()) &&
                edit(Base::currentIndex(), QAbstractItemView::AllEditTriggers, nullptr)) {
                if (auto* combo = qobject_cast<QComboBox*>(Base::indexWidget(Base::currentIndex())))
                    combo->showPopup();
                return;
            }
        }
        // Enter edits the current cell (the view would only report it activated).
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (m_clickToFocus && enter && event->modifiers() == Qt::NoModifier &&
            Base::state() != QAbstractItemView::EditingState && Base::currentIndex().isValid() &&
            (Base::editTriggers() & QAbstractItemView::EditKeyPressed) &&
            edit(Base::currentIndex(), QAbstractItemView::EditKeyPressed, event))
            return;
        Base::keyPressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const QModelIndex index = Base::indexAt(event->position().toPoint());
        const bool click = event->button() == Qt::LeftButton && index.isValid() && index == m_pressed &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
        const bool wasCurrent = m_pressedWasCurrent;
        m_pressed = QPersistentModelIndex();
        m_pressedWasCurrent = false;
        Base::mouseReleaseEvent(event);
        if (!click || Base::state() == QAbstractItemView::EditingState || !m_delegate ||
            !m_delegate->opensEditor(index))
            return;
        // Check boxes toggle in the delegate; links report themselves.
        const GridColumn* column = m_delegate->columnFor(index);
        if (column && column->editor == EditorKind::Link)
            return;
        // A click on a drop-down cell's button opens its list, current or not.
        const QRect cell = Base::visualRect(index);
        const bool onButton =
            column && column->editor == EditorKind::Lookup && event->position().x() > cell.right() - 16;
        if (m_clickToFocus && !wasCurrent && !onButton)
            return;
        edit(index, QAbstractItemView::AllEditTriggers, nullptr);
        if (onButton)
            if (auto* combo = qobject_cast<QComboBox*>(Base::indexWidget(Base::currentIndex())))
                combo->showPopup();
    }

    // A current row in sight stays in sight when the view gets shorter (a grouping box or a
    // filter bar appearing above it, a splitter moved). The viewport has its new size already.
    void resizeEvent(QResizeEvent* event) override
    {
        const QModelIndex current = Base::currentIndex();
        const int before = event->oldSize().height();
        const QRect row = current.isValid() ? Base::visualRect(current) : QRect();
        const bool inSight = row.isValid() && row.top() >= 0 && row.bottom() < before;
        Base::resizeEvent(event);
        if (inSight && event->size().height() < before &&
            Base::visualRect(current).bottom() >= Base::viewport()->height())
            Base::scrollTo(current);
    }

  private:
    static void caretToEnd(QWidget* editor)
    {
        if (!editor)
            return;
        QLineEdit* line = qobject_cast<QLineEdit*>(editor);
        if (!line)
            line = editor->findChild<QLineEdit*>();
        if (line) {
            line->deselect();
            line->end(false);
            return;
        }
        if (auto* text = qobject_cast<QPlainTextEdit*>(editor))
            text->moveCursor(QTextCursor::End);
    }

    QPointer<CellEditorDelegate> m_delegate;
    QPersistentModelIndex m_pressed;
    bool m_pressedWasCurrent = false;
    bool m_clickToFocus = false;
};

} // namespace pelmora::toolkit
