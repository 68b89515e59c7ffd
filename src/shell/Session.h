#pragma once

#include "common/ErrorLog.h"
#include "common/GlobalConfig.h"
#include "common/Pause.h"
#include "common/Root.h"
#include "common/RunFlags.h"
#include "common/ServiceSettings.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "database/Maintenance.h"

namespace pelmora
{

// What the program holds for the whole run: the program folder, the fixed waits, the data
// module, the settings of config_global.ini, the deployment's addresses and the run's flags.
// The program makes one and hands it to the main window; pelmora-cli holds one too.
class Session
{
  public:
    // root: the program folder (the error log goes to its logs folder while the session
    // lives); pause: how the fixed waits wait.
    explicit Session(const Root& root, const Pause& pause = Pause());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Who the operations talk to (the main window, pelmora-cli's console); nullptr detaches.
    // Until one is attached, texts are kept and boxes are answered with Cancel.
    void attachPort(UserPort* port);

    const Root& root() const { return root_; }
    const Pause& pause() const { return pause_; }
    RunFlags& flags() { return flags_; }
    DataModule& data() { return data_; }
    GlobalSettings& settings() { return settings_; }
    const ServiceSettings& service() const { return service_; }
    UserPort& port();
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

  private:
    class PortRelay;

    const Root root_;
    const Pause pause_;
    LogFolder log_;
    RunFlags flags_;
    std::unique_ptr<PortRelay> port_;
    DataModule data_;
    GlobalSettings settings_;
    ServiceSettings service_;
    Maintenance maintenance_;
};

} // namespace pelmora
