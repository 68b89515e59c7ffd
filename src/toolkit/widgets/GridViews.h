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
template <class Base> class EditingView : public Base
{
  public:
    using Base::Base;

    void setCellDelegate(CellEditorDelegate* delegate)
    {
        m_delegate = delegate;
        Base::setItemDelegate(delegate);
    }

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
        Base::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const QModelIndex index = Base::indexAt(event->position().toPoint());
        const bool click = event->button() == Qt::LeftButton && index.isValid() && index == m_pressed &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
        m_pressed = QPersistentModelIndex();
        Base::mouseReleaseEvent(event);
        // A click on a cell opens its editor at once (check boxes toggle in the delegate).
        if (click && Base::state() != QAbstractItemView::EditingState && m_delegate && m_delegate->opensEditor(index)) {
            const GridColumn* column = m_delegate->columnFor(index);
            if (!column || column->editor != EditorKind::Link)
                edit(index, QAbstractItemView::AllEditTriggers, nullptr);
            // A click on a drop-down cell's button opens its list.
            const QRect cell = Base::visualRect(index);
            if (column && column->editor == EditorKind::Lookup && event->position().x() > cell.right() - 16)
                if (auto* combo = qobject_cast<QComboBox*>(Base::indexWidget(Base::currentIndex())))
                    combo->showPopup();
        }
    }

  private:
    QPointer<CellEditorDelegate> m_delegate;
    QPersistentModelIndex m_pressed;
};

} // namespace pelmora::toolkit
