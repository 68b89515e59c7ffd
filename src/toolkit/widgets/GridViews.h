#pragma once

#include "toolkit/widgets/CellEditorDelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTableView>
#include <QTreeView>

namespace pelmora::toolkit
{

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
        return Base::edit(target, trigger, event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressed = Base::indexAt(event->position().toPoint());
        m_pressedWasCurrent = m_pressed.isValid() && m_pressed == Base::currentIndex();
        Base::mousePressEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
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

  private:
    QPointer<CellEditorDelegate> m_delegate;
    QPersistentModelIndex m_pressed;
    bool m_pressedWasCurrent = false;
    bool m_clickToFocus = false;
};

} // namespace pelmora::toolkit
