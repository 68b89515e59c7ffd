#include "email/widgets/TriggerMailDialog.h"

#include "common/UserPort.h"
#include "email/EmailComposer.h"
#include "email/TriggerMailing.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace pelmora
{

namespace
{
enum Column { OrderColumn, NameColumn, EmailColumn, ResultColumn };
} // namespace

TriggerMailDialog::TriggerMailDialog(std::unique_ptr<TriggerMailing> mailing, const QString& status, UserPort& port,
                                     QWidget* parent)
    : QDialog(parent), mailing_(std::move(mailing)), port_(port)
{
    setObjectName(QStringLiteral("triggerMailDialog"));
    setWindowTitle(QStringLiteral("Status e-mails"));
    auto* layout = new QVBoxLayout(this);
    const int count = int(mailing_->recipients().size());
    auto* intro = new QLabel(QStringLiteral("The status \"%1\" sends the e-mail \"%2\". Send it to %3 order%4:")
                                 .arg(status, mailing_->templateName())
                                 .arg(count)
                                 .arg(count == 1 ? QString() : QStringLiteral("s")),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    table_ = new QTableWidget(count, 4, this);
    table_->setObjectName(QStringLiteral("triggerMailOrders"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Order"), QStringLiteral("Name"), QStringLiteral("E-mail"), QStringLiteral("Result")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < count; ++row) {
        const TriggerMailing::Recipient& r = mailing_->recipients()[row];
        table_->setItem(row, OrderColumn, new QTableWidgetItem(r.shopperId.toString()));
        table_->setItem(row, NameColumn, new QTableWidgetItem(r.name));
        table_->setItem(row, EmailColumn, new QTableWidgetItem(r.email));
        table_->setItem(row, ResultColumn,
                        new QTableWidgetItem(r.email.trimmed().isEmpty() ? TriggerMailing::kNoAddress : QString()));
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("triggerMailProgress"));
    progress_->setRange(0, std::max(count, 1));
    progress_->setValue(0);
    layout->addWidget(progress_);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("triggerMailSummary"));
    if (!mailing_->senderReady())
        summary_->setText(EmailComposer::kNoSenderMessage.trimmed());
    layout->addWidget(summary_);

    auto* buttons = new QDialogButtonBox(this);
    send_ = buttons->addButton(QStringLiteral("&Send"), QDialogButtonBox::AcceptRole);
    send_->setObjectName(QStringLiteral("triggerMailSend"));
    send_->setEnabled(count > 0 && mailing_->senderReady());
    send_->setDefault(true);
    close_ = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close_->setObjectName(QStringLiteral("triggerMailClose"));
    connect(send_, &QPushButton::clicked, this, &TriggerMailDialog::sendAll);
    connect(close_, &QPushButton::clicked, this, &TriggerMailDialog::reject);
    layout->addWidget(buttons);
    resize(640, 360);
}

TriggerMailDialog::~TriggerMailDialog() = default;

void TriggerMailDialog::showResult(int row)
{
    const TriggerMailing::Recipient& r = mailing_->recipients()[row];
    QTableWidgetItem* item = table_->item(row, ResultColumn);
    item->setText(r.sent ? kSent : QStringLiteral("Not sent: ") + r.failure);
    item->setForeground(r.sent ? palette().color(QPalette::Text) : QColor(Qt::red));
}

void TriggerMailDialog::sendAll()
{
    if (sending_)
        return;
    sending_ = true;
    stop_ = false;
    send_->setEnabled(false);
    close_->setText(QStringLiteral("S&top"));
    const int count = int(mailing_->recipients().size());
    int done = 0;
    for (int row = 0; row < count && !stop_; ++row) {
        if (mailing_->recipients()[row].sent) {
            progress_->setValue(++done);
            continue;
        }
        table_->item(row, ResultColumn)->setText(QStringLiteral("Sending..."));
        table_->scrollToItem(table_->item(row, ResultColumn));
        {
            BusyCursor busy(port_);
            mailing_->send(row);
        }
        showResult(row);
        progress_->setValue(++done);
    }
    const int sent = mailing_->sentCount();
    const QString summary = QStringLiteral("%1 of %2 e-mails sent").arg(sent).arg(count);
    summary_->setText(stop_ ? summary + QStringLiteral(" (stopped)") : summary);
    port_.setStatus(summary);
    close_->setText(QStringLiteral("&Close"));
    // Orders that failed can be tried again.
    send_->setEnabled(sent < count);
    send_->setText(QStringLiteral("&Send again"));
    sending_ = false;
}

void TriggerMailDialog::reject()
{
    // While sending, the button stops the run after the current order.
    if (sending_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

} // namespace pelmora
