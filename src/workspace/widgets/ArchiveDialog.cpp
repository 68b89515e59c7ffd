#include "workspace/widgets/ArchiveDialog.h"

#include "toolkit/widgets/DisplayFormat.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace pelmora
{

namespace
{

QFont verdana(int points, bool bold = false)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

// Alt+Down and F4 in the date box open the calendar, as in any date editor.
class CalendarKeys : public QObject
{
  public:
    CalendarKeys(QToolButton* button, QObject* parent) : QObject(parent), button_(button) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier)) {
                button_->showMenu();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QToolButton* button_;
};

} // namespace

ArchiveDialog::ArchiveDialog(DataModule& data, UserPort& port, QWidget* parent)
    : QDialog(parent), archiving_(data, port)
{
    setObjectName(QStringLiteral("archiveDialog"));
    setWindowTitle(kCaption);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(336, 174);
    QPalette background = palette();
    background.setColor(QPalette::Window, background.color(QPalette::Base));
    setPalette(background);
    setAutoFillBackground(true);

    auto* heading = new QLabel(kHeading, this);
    heading->setObjectName(QStringLiteral("archiveHeading"));
    heading->setFont(verdana(10, true));

    byDate_ = new QRadioButton(kByDate, this);
    byDate_->setObjectName(QStringLiteral("archiveByDate"));
    byDate_->setChecked(true);
    completed_ = new QRadioButton(kCompleted, this);
    completed_->setObjectName(QStringLiteral("archiveCompleted"));
    auto* group = new QButtonGroup(this);
    group->addButton(byDate_);
    group->addButton(completed_);

    auto* upTo = new QLabel(kUpTo, this);
    upTo->setFont(verdana(8));
    dateBox_ = new QLineEdit(this);
    dateBox_->setObjectName(QStringLiteral("dateBox"));
    dateBox_->setPlaceholderText(toolkit::DisplayFormat::defaultDateFormat().toLower());
    upTo->setBuddy(dateBox_);
    calendarButton_ = new QToolButton(this);
    calendarButton_->setObjectName(QStringLiteral("dateBoxCalendar"));
    calendarButton_->setArrowType(Qt::DownArrow);
    calendarButton_->setPopupMode(QToolButton::InstantPopup);
    calendarButton_->setToolTip(QStringLiteral("Choose a date"));
    auto* calendarMenu = new QMenu(calendarButton_);
    auto* calendar = new QCalendarWidget(calendarMenu);
    calendar->setObjectName(QStringLiteral("dateBoxCalendarWidget"));
    auto* calendarAction = new QWidgetAction(calendarMenu);
    calendarAction->setDefaultWidget(calendar);
    calendarMenu->addAction(calendarAction);
    calendarButton_->setMenu(calendarMenu);
    dateBox_->installEventFilter(new CalendarKeys(calendarButton_, this));
    connect(calendarMenu, &QMenu::aboutToShow, this, [this, calendar] {
        // The calendar opens on the day in the box, or on today.
        QDate shown = QDate::currentDate();
        try {
            shown = QDate::fromString(OrderArchiving::statementDate(dateBox_->text()), QStringLiteral("M/d/yyyy"));
        } catch (const std::exception&) {
        }
        calendar->setSelectedDate(shown);
    });
    auto pick = [this, calendarMenu](QDate date) {
        dateBox_->setText(QLocale().toString(date, toolkit::DisplayFormat::defaultDateFormat()));
        calendarMenu->close();
    };
    connect(calendar, &QCalendarWidget::clicked, this, pick);
    connect(calendar, &QCalendarWidget::activated, this, pick);

    // Only archiving by date needs the date.
    connect(byDate_, &QRadioButton::clicked, this, [this] {
        dateBox_->setEnabled(true);
        calendarButton_->setEnabled(true);
    });
    connect(completed_, &QRadioButton::clicked, this, [this] {
        dateBox_->setEnabled(false);
        calendarButton_->setEnabled(false);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("archiveOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("archiveCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ArchiveDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ArchiveDialog::reject);

    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(2);
    dateRow->addWidget(dateBox_, 1);
    dateRow->addWidget(calendarButton_);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(byDate_, 0, 0, 1, 2);
    grid->addWidget(upTo, 1, 0);
    grid->addLayout(dateRow, 1, 1);
    grid->addWidget(completed_, 2, 0, 1, 2);
    grid->setColumnMinimumWidth(0, 20);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);

    setTabOrder(byDate_, dateBox_);
    setTabOrder(dateBox_, calendarButton_);
    setTabOrder(calendarButton_, completed_);
    setTabOrder(completed_, buttons->button(QDialogButtonBox::Ok));
    setTabOrder(buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel));
}

ArchiveMode ArchiveDialog::mode() const
{
    return completed_->isChecked() ? ArchiveMode::Completed : ArchiveMode::ByDate;
}

void ArchiveDialog::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    (mode() == ArchiveMode::ByDate ? static_cast<QWidget*>(dateBox_) : completed_)->setFocus();
    QDialog::showEvent(event);
}

void ArchiveDialog::accept()
{
    // The box keeps its text: the run reads it and writes nothing back.
    result_ = archiving_.run(mode(), dateBox_->text());
    QDialog::accept();
}

} // namespace pelmora
