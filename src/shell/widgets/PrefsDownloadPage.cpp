#include "shell/widgets/PrefsDownloadPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelmora
{

PrefsDownloadPage::PrefsDownloadPage(QWidget* parent)
    : PrefsPage(QStringLiteral("Download"),
                QStringLiteral("Advanced settings for automatically downloading your orders"), parent)
{
    setObjectName(QStringLiteral("pageDownload"));
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(12, 6, 12, 6);

    auto* every = new QHBoxLayout;
    auto* before = new QLabel(QStringLiteral("Automatically check for and download new orders every"), body());
    before->setObjectName(QStringLiteral("labelEvery"));
    minutes_ = new QComboBox(body());
    minutes_->setObjectName(QStringLiteral("comboMinutes"));
    // Other numbers may be typed.
    minutes_->setEditable(true);
    minutes_->setInsertPolicy(QComboBox::NoInsert);
    minutes_->addItems(
        {QStringLiteral("20"), QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("60")});
    minutes_->setCurrentText(QStringLiteral("20"));
    before->setBuddy(minutes_);
    auto* after = new QLabel(QStringLiteral("mins."), body());
    after->setObjectName(QStringLiteral("labelMins"));
    every->addWidget(before);
    every->addWidget(minutes_);
    every->addWidget(after);
    every->addStretch(1);
    layout->addLayout(every);

    all_ = new QRadioButton(QStringLiteral("Auto-download orders for all accounts"), body());
    all_->setObjectName(QStringLiteral("radioAllAccounts"));
    selected_ = new QRadioButton(QStringLiteral("Auto-download orders for selected account only"), body());
    selected_->setObjectName(QStringLiteral("radioSelectedAccount"));
    selected_->setChecked(true);
    autoDownload_ = new QCheckBox(QStringLiteral("Auto-download enabled"), body());
    autoDownload_->setObjectName(QStringLiteral("checkAutoDownload"));
    layout->addWidget(all_);
    layout->addWidget(selected_);
    layout->addWidget(autoDownload_);
    layout->addStretch(1);

    connect(autoDownload_, &QCheckBox::clicked, this, &PrefsDownloadPage::autoDownloadClicked);
}

} // namespace pelmora
