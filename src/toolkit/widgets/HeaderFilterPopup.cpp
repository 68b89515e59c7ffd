#include "toolkit/widgets/HeaderFilterPopup.h"

#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/DisplayFormat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace pelmora::toolkit {

namespace {

enum EntryKind { EntryAll = 1, EntryCustom, EntryBlanks, EntryNonBlanks, EntryRelative, EntryValue };
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kValueRole = Qt::UserRole + 2;

QListWidgetItem *addEntry(QListWidget *list, const QString &text, int kind, const QVariant &value = {})
{
    auto *item = new QListWidgetItem(text, list);
    item->setData(kKindRole, kind);
    item->setData(kValueRole, value);
    return item;
}

} // namespace

HeaderFilterPopup::HeaderFilterPopup(const GridColumn &column, const QVariantList &values, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_column(column)
    , m_today(QDate::currentDate())
{
    setObjectName(QStringLiteral("headerFilterPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("headerFilterList"));
    m_list->setUniformItemSizes(true);
    layout->addWidget(m_list);

    addEntry(m_list, QString::fromLatin1(kAll), EntryAll);
    addEntry(m_list, QString::fromLatin1(kCustom), EntryCustom);
    addEntry(m_list, QString::fromLatin1(kBlanks), EntryBlanks);
    addEntry(m_list, QString::fromLatin1(kNonBlanks), EntryNonBlanks);
    if (column.editor == EditorKind::Date) {
        for (RelativeDate when : {RelativeDate::Today, RelativeDate::Yesterday, RelativeDate::ThisWeek, RelativeDate::LastWeek,
                                  RelativeDate::ThisMonth, RelativeDate::LastMonth, RelativeDate::ThisYear,
                                  RelativeDate::LastYear})
            addEntry(m_list, GridFilter::relativeDateCaption(when), EntryRelative, int(when));
    }
    for (const QVariant &value : values) {
        if (DisplayFormat::isBlank(value))
            continue;
        addEntry(m_list, CellEditorDelegate::formatValue(&m_column, value), EntryValue, value);
    }
    connect(m_list, &QListWidget::itemClicked, this, &HeaderFilterPopup::choose);
    connect(m_list, &QListWidget::itemActivated, this, &HeaderFilterPopup::choose);
    m_list->setCurrentRow(0);
    setFocusProxy(m_list);
}

QListWidget *HeaderFilterPopup::list() const
{
    return m_list;
}

void HeaderFilterPopup::setToday(const QDate &today)
{
    m_today = today;
}

void HeaderFilterPopup::popupBelow(const QRect &section)
{
    const int rows = qMin(m_list->count(), 16);
    const int height = rows * qMax(16, m_list->sizeHintForRow(0)) + 6;
    const int width = qMax(section.width(), qMax(160, m_list->sizeHintForColumn(0) + 30));
    QRect geometry(section.bottomLeft() + QPoint(0, 1), QSize(width, height));
    if (const QScreen *screen = QApplication::screenAt(section.center())) {
        const QRect available = screen->availableGeometry();
        if (geometry.bottom() > available.bottom())
            geometry.moveBottom(section.top() - 1);
        if (geometry.right() > available.right())
            geometry.moveRight(available.right());
    }
    setGeometry(geometry);
    show();
    m_list->setFocus();
}

void HeaderFilterPopup::choose(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString field = m_column.field;
    switch (item->data(kKindRole).toInt()) {
    case EntryAll: emit conditionChosen(FilterCondition()); break;
    case EntryCustom: emit customRequested(); break;
    case EntryBlanks: emit conditionChosen(FilterCondition::blank(field)); break;
    case EntryNonBlanks: emit conditionChosen(FilterCondition::notBlank(field)); break;
    case EntryRelative:
        emit conditionChosen(GridFilter::relativeDate(field, RelativeDate(item->data(kValueRole).toInt()), m_today, locale()));
        break;
    case EntryValue:
        emit conditionChosen(FilterCondition::compare(field, FilterCondition::Operator::Equal,
                                                      GridFilter::typedValue(item->data(kValueRole), m_column.editor)));
        break;
    default: break;
    }
    close();
}

} // namespace pelmora::toolkit
