#include "toolkit/widgets/HeaderFilterPopup.h"

#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/DisplayFormat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <utility>

namespace pelmora::toolkit
{

namespace
{

enum EntryKind { EntryAll = 1, EntryCustom, EntryBlanks, EntryNonBlanks, EntryRelative, EntryValue };
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kValueRole = Qt::UserRole + 2;

QListWidgetItem* addEntry(QListWidget* list, const QString& text, int kind, const QVariant& value = {})
{
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setData(kKindRole, kind);
    item->setData(kValueRole, value);
    return item;
}

} // namespace

HeaderFilterPopup::HeaderFilterPopup(const GridColumn& column, const QVariantList& values, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_column(column), m_today(QDate::currentDate())
{
    setObjectName(QStringLiteral("headerFilterPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
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
        for (RelativeDate when :
             {RelativeDate::Today, RelativeDate::Yesterday, RelativeDate::ThisWeek, RelativeDate::LastWeek,
              RelativeDate::ThisMonth, RelativeDate::LastMonth, RelativeDate::ThisYear, RelativeDate::LastYear})
            addEntry(m_list, GridFilter::relativeDateCaption(when), EntryRelative, int(when));
    }
    const bool several = !column.singleValueFilter;
    for (const QVariant& value : values) {
        if (DisplayFormat::isBlank(value))
            continue;
        QListWidgetItem* item = addEntry(m_list, CellEditorDelegate::formatValue(&m_column, value), EntryValue, value);
        if (several) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("headerFilterOk"));
    m_ok->setEnabled(false);
    m_ok->setVisible(several);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &HeaderFilterPopup::chooseChecked);
    // Ticking a check box keeps the drop-down open; a click on an entry's text picks it alone.
    connect(m_list, &QListWidget::itemChanged, this, [this] {
        m_checkToggled = true;
        m_ok->setEnabled(!checkedItems().isEmpty());
    });
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (std::exchange(m_checkToggled, false))
            return;
        choose(item);
    });
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        m_checkToggled = false;
        if (!checkedItems().isEmpty())
            chooseChecked();
        else
            choose(item);
    });
    m_list->setCurrentRow(0);
    setFocusProxy(m_list);
}

QListWidget* HeaderFilterPopup::list() const
{
    return m_list;
}

QPushButton* HeaderFilterPopup::okButton() const
{
    return m_ok;
}

QList<QListWidgetItem*> HeaderFilterPopup::checkedItems() const
{
    QList<QListWidgetItem*> checked;
    for (int row = 0; row < m_list->count(); ++row)
        if (QListWidgetItem* item = m_list->item(row); item->checkState() == Qt::Checked)
            checked << item;
    return checked;
}

void HeaderFilterPopup::chooseChecked()
{
    QList<FilterCondition> values;
    for (QListWidgetItem* item : checkedItems())
        values << FilterCondition::compare(m_column.field, FilterCondition::Operator::Equal,
                                           GridFilter::typedValue(item->data(kValueRole), m_column.editor));
    if (values.isEmpty())
        return;
    emit conditionChosen(values.size() == 1 ? values.first() : FilterCondition::any(values));
    close();
}

void HeaderFilterPopup::setToday(const QDate& today)
{
    m_today = today;
}

void HeaderFilterPopup::popupBelow(const QRect& section)
{
    const int rows = qMin(m_list->count(), 16);
    const int height =
        rows * qMax(16, m_list->sizeHintForRow(0)) + 6 + (m_ok->isVisibleTo(this) ? m_ok->sizeHint().height() + 6 : 0);
    const int width = qMax(section.width(), qMax(160, m_list->sizeHintForColumn(0) + 30));
    QRect geometry(section.bottomLeft() + QPoint(0, 1), QSize(width, height));
    if (const QScreen* screen = QApplication::screenAt(section.center())) {
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

void HeaderFilterPopup::choose(QListWidgetItem* item)
{
    if (!item)
        return;
    const QString field = m_column.field;
    switch (item->data(kKindRole).toInt()) {
    case EntryAll:
        emit conditionChosen(FilterCondition());
        break;
    case EntryCustom:
        emit customRequested();
        break;
    case EntryBlanks:
        emit conditionChosen(FilterCondition::blank(field));
        break;
    case EntryNonBlanks:
        emit conditionChosen(FilterCondition::notBlank(field));
        break;
    case EntryRelative:
        emit conditionChosen(
            GridFilter::relativeDate(field, RelativeDate(item->data(kValueRole).toInt()), m_today, locale()));
        break;
    case EntryValue:
        emit conditionChosen(FilterCondition::compare(field, FilterCondition::Operator::Equal,
                                                      GridFilter::typedValue(item->data(kValueRole), m_column.editor)));
        break;
    default:
        break;
    }
    close();
}

} // namespace pelmora::toolkit
