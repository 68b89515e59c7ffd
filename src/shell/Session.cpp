#include "shell/Session.h"

#include "common/Error.h"
#include "common/Guard.h"
#include "common/Root.h"

#include <QDir>

namespace pelmora
{

Session::Session(UserPort& port) : port_(port), service_(ServiceSettings::load()), maintenance_(data_, settings_, port)
{
    settings_ = GlobalConfig::parse({});
}

void Session::createFolders()
{
    Guard(QStringLiteral(" method: FormCreate, assigning file names"), [&] {
        for (const QString& name : {QStringLiteral("logs"), QStringLiteral("tmp")}) {
            const QString folder = Root::file(name);
            if (!QDir(folder).exists() && !QDir().mkpath(folder))
                throw Error(QStringLiteral("Cannot create ") + folder);
        }
    });
}

void Session::LoadGlobalConfig()
{
    settings_ = GlobalConfig::load();
    data_.disconnectDatabase();
    data_.setLocation(settings_.DatabaseLocation);
    maintenance_.setAutoBackup(settings_.AutoBackup);
    maintenance_.startupBackup();
}

void Session::SaveGlobalConfig()
{
    BusyCursor busy(port_);
    GlobalConfig::save(settings_);
}

void Session::openQuietly()
{
    settings_ = GlobalConfig::load();
    data_.setLocation(settings_.DatabaseLocation);
    data_.ResetDB();
}

} // namespace pelmora
