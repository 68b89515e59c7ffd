#pragma once

#include "common/GlobalConfig.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Maintenance.h"

namespace pelmora
{

// What the main window holds for the whole run: the data module, the settings of
// config_global.ini, the deployment's addresses and the run's flags. pelmora-cli holds one too.
class Session
{
  public:
    explicit Session(UserPort& port);

    DataModule& data() { return data_; }
    GlobalSettings& settings() { return settings_; }
    const ServiceSettings& service() const { return service_; }
    UserPort& port() { return port_; }
    Maintenance& maintenance() { return maintenance_; }

    // Creates the logs and tmp folders; a failure is logged with the start-up suffix.
    void createFolders();
    // Reads config_global.ini, points the connection at DatabaseLocation, applies the
    // auto-backup state (with its status text) and makes the start-up backup.
    void LoadGlobalConfig();
    // Writes config_global.ini (hourglass meanwhile). Throws Error.
    void SaveGlobalConfig();
    // Reads the settings and opens the database without the start-up backup or status texts:
    // what pelmora-cli needs.
    void openQuietly();

    bool StartedUp = false;
    bool StatusChanged = false;
    bool NewOrdersDownloaded = false;

  private:
    UserPort& port_;
    DataModule data_;
    GlobalSettings settings_;
    ServiceSettings service_;
    Maintenance maintenance_;
};

} // namespace pelmora
