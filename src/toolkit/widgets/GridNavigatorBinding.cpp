#include "toolkit/widgets/GridNavigatorBinding.h"

#include "toolkit/widgets/GridViewSet.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QKeyEvent>

namespace pelmora::toolkit
{

GridNavigatorBinding::GridNavigatorBinding(RecordNavigator* navigator, GridViewSet& views)
    : m_navigator(navigator), m_views(views)
{
    m_views.table->installEventFilter(this);
    m_views.tree->installEventFilter(this);
    follow();
}

void GridNavigatorBinding::follow()
{
    m_navigator->setView(m_views.current());
}

bool GridNavigatorBinding::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched != m_views.table && watched != m_views.tree) || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QList<RecordNavigator::Button> shown = m_navigator->buttons();
    if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier && shown.contains(RecordNavigator::Insert)) {
        m_navigator->trigger(RecordNavigator::Insert);
        return true;
    }
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier &&
        shown.contains(RecordNavigator::Delete)) {
        m_navigator->trigger(RecordNavigator::Delete);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pelmora::toolkit
