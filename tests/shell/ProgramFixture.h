#pragma once

// A program folder whose settings name its database, and the program's window over it: the
// fixture of the shell's window tests.

#include "common/GlobalConfig.h"
#include "shell/widgets/MainWindow.h"
#include "support/TestFolder.h"

#include <functional>
#include <memory>

namespace pelmora::test
{

struct ProgramFixture {
    explicit ProgramFixture(const std::function<void(GlobalSettings&)>& configure = {})
    {
        GlobalSettings s = GlobalConfig::parse({}, folder.root());
        if (configure)
            configure(s);
        GlobalConfig::save(s, folder.root());
    }
    // Starts the program (a run started before ends first); finish: through to the greeting.
    MainWindow& start(bool finish = true)
    {
        stop();
        session = std::make_unique<Session>(folder.root(), Pause::none());
        window = std::make_unique<MainWindow>(*session);
        if (finish)
            window->finishStartup();
        return *window;
    }
    void stop()
    {
        window.reset();
        session.reset();
    }
    QAction* action(const char* name) const { return window->commands().action(QString::fromLatin1(name)); }

    TestFolder folder;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindow> window;
};

} // namespace pelmora::test
