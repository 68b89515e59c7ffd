#pragma once

#include "shell/widgets/PrefsPage.h"

class QCheckBox;

namespace pelmora
{

class PathField;
class Root;

// "Data locations": the database file, the backup folder and the auto-backup switch.
class PrefsLocationsPage : public PrefsPage
{
    Q_OBJECT
  public:
    // root: the program folder, where the path boxes start browsing.
    explicit PrefsLocationsPage(const Root& root, QWidget* parent = nullptr);

    PathField* databaseBox() const { return database_; }
    PathField* backupBox() const { return backup_; }
    QCheckBox* autoBackupBox() const { return autoBackup_; }

  signals:
    // The merchant clicked "Auto-backup enabled" (its new state).
    void autoBackupClicked(bool checked);

  private:
    PathField* database_ = nullptr;
    PathField* backup_ = nullptr;
    QCheckBox* autoBackup_ = nullptr;
};

} // namespace pelmora
