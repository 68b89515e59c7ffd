#include "toolkit/widgets/GroupByBox.h"

#include "toolkit/widgets/GridHeaderView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QStyle>
#include <QToolButton>

namespace pelmora::toolkit
{

GroupByBox::GroupByBox(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("groupByBox"));
    setAcceptDrops(true);
    setFrameShape(QFrame::StyledPanel);
    setBackgroundRole(QPalette::Mid);
    setAutoFillBackground(true);
    setMinimumHeight(32);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(6, 4, 6, 4);
    m_layout->setSpacing(4);
    m_hint = new QLabel(QString::fromLatin1(kHint), this);
    m_hint->setObjectName(QStringLiteral("groupByHint"));
    m_hint->setForegroundRole(QPalette::Light);
    m_layout->addWidget(m_hint);
    m_layout->addStretch(1);
}

void GroupByBox::setGroups(const QList<QPair<QString, QString>>& groups)
{
    qDeleteAll(m_chips);
    m_chips.clear();
    m_fields.clear();
    int at = 0;
    for (const auto& group : groups) {
        const QString field = group.first;
        auto* chip = new QFrame(this);
        chip->setObjectName(QStringLiteral("groupChip_") + field);
        chip->setFrameShape(QFrame::StyledPanel);
        chip->setAutoFillBackground(true);
        chip->setBackgroundRole(QPalette::Button);
        auto* layout = new QHBoxLayout(chip);
        layout->setContentsMargins(6, 1, 1, 1);
        layout->setSpacing(2);
        auto* caption = new QLabel(group.second, chip);
        caption->setObjectName(QStringLiteral("groupChipCaption"));
        auto* remove = new QToolButton(chip);
        remove->setObjectName(QStringLiteral("groupChipRemove"));
        remove->setAutoRaise(true);
        remove->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
        remove->setToolTip(tr("Ungroup"));
        layout->addWidget(caption);
        layout->addWidget(remove);
        connect(remove, &QToolButton::clicked, this, [this, field] { emit ungroupRequested(field); });
        m_layout->insertWidget(at++, chip);
        m_chips << chip;
        m_fields << field;
    }
    m_hint->setVisible(groups.isEmpty());
}

QStringList GroupByBox::groupedFields() const
{
    return m_fields;
}

int GroupByBox::levelAt(int x) const
{
    for (int i = 0; i < m_chips.size(); ++i)
        if (x < m_chips[i]->geometry().center().x())
            return i;
    return int(m_chips.size());
}

void GroupByBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(GridHeaderView::kColumnMimeType)))
        event->acceptProposedAction();
}

void GroupByBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(GridHeaderView::kColumnMimeType)))
        event->acceptProposedAction();
}

void GroupByBox::dropEvent(QDropEvent* event)
{
    const QByteArray data = event->mimeData()->data(QString::fromLatin1(GridHeaderView::kColumnMimeType));
    if (data.isEmpty())
        return;
    event->acceptProposedAction();
    emit columnDropped(QString::fromUtf8(data), levelAt(event->position().toPoint().x()));
}

} // namespace pelmora::toolkit
