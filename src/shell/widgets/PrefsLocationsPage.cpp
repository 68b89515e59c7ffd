#include "shell/widgets/PrefsLocationsPage.h"

#include "common/Root.h"
#include "shell/widgets/PathField.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace pelmora
{

PrefsLocationsPage::PrefsLocationsPage(const Root& root, QWidget* parent)
    : PrefsPage(QStringLiteral("Data locations"), QStringLiteral("Choose working directories for database files"),
                parent)
{
    setObjectName(QStringLiteral("pageDataLocations"));
    auto* layout = new QGridLayout(body());
    layout->setContentsMargins(12, 6, 12, 6);

    database_ = new PathField(PathField::Kind::File, body());
    database_->setObjectName(QStringLiteral("pathDatabase"));
    database_->setRootFolder(root.file(QStringLiteral("db")));
    auto* databaseLabel = new QLabel(QStringLiteral("Active database "), body());
    databaseLabel->setObjectName(QStringLiteral("labelActiveDatabase"));
    databaseLabel->setBuddy(database_);

    backup_ = new PathField(PathField::Kind::Folder, body());
    backup_->setObjectName(QStringLiteral("pathBackup"));
    backup_->setRootFolder(root.file(QStringLiteral("db/backup")));
    auto* backupLabel = new QLabel(QStringLiteral("Database backup dir."), body());
    backupLabel->setObjectName(QStringLiteral("labelBackupDir"));
    backupLabel->setBuddy(backup_);

    autoBackup_ = new QCheckBox(QStringLiteral("Auto-backup enabled"), body());
    autoBackup_->setObjectName(QStringLiteral("checkAutoBackup"));

    layout->addWidget(databaseLabel, 0, 0);
    layout->addWidget(database_, 0, 1);
    layout->addWidget(backupLabel, 1, 0);
    layout->addWidget(backup_, 1, 1);
    layout->addWidget(autoBackup_, 2, 1);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(1, 1);

    connect(autoBackup_, &QCheckBox::clicked, this, &PrefsLocationsPage::autoBackupClicked);
}

} // namespace pelmora
