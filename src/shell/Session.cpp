#include "shell/Session.h"

#include "common/Error.h"
#include "common/Guard.h"

#include <QDir>

namespace pelmora
{

// Forwards to the attached port; the operations hold this one, so the port can come later
// than the session (the main window is made after it).
class Session::PortRelay : public UserPort
{
  public:
    UserPort* target = nullptr;

    void setStatus(const QString& text) override
    {
        if (target)
            target->setStatus(text);
        else
            status_ = text;
    }
    QString status() const override { return target ? target->status() : status_; }
    void setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow) override
    {
        if (target)
            target->setLinkedStatus(text, link, std::move(follow));
        else
            status_ = text + QLatin1Char(' ') + link;
    }
    void withdrawStatusLink() override
    {
        if (target)
            target->withdrawStatusLink();
    }
    void information(const QString& text) override
    {
        if (target)
            target->information(text);
    }
    void warning(const QString& text) override
    {
        if (target)
            target->warning(text);
    }
    bool confirm(const QString& text) override { return target && target->confirm(text); }
    void openPreferences(const QString& tab) override
    {
        if (target)
            target->openPreferences(tab);
    }
    void openUrl(const QUrl& url) override
    {
        if (target)
            target->openUrl(url);
    }
    void setClipboard(const QString& text) override
    {
        if (target)
            target->setClipboard(text);
    }
    void setBusy(bool busy) override
    {
        if (target)
            target->setBusy(busy);
    }

  private:
    QString status_;
};

Session::Session(const Root& root, const Pause& pause)
    : root_(root), pause_(pause), log_(root_), port_(std::make_unique<PortRelay>()),
      service_(ServiceSettings::load(root_)), maintenance_(data_, settings_, *port_)
{
    settings_ = GlobalConfig::parse({}, root_);
}

Session::~Session() = default;

void Session::attachPort(UserPort* port)
{
    port_->target = port;
}

UserPort& Session::port()
{
    return *port_;
}

void Session::createFolders()
{
    Guard(QStringLiteral(" method: FormCreate, assigning file names"), [&] {
        for (const QString& name : {QStringLiteral("logs"), QStringLiteral("tmp")}) {
            const QString folder = root_.file(name);
            if (!QDir(folder).exists() && !QDir().mkpath(folder))
                throw Error(QStringLiteral("Cannot create ") + folder);
        }
    });
}

void Session::LoadGlobalConfig()
{
    settings_ = GlobalConfig::load(root_);
    data_.disconnectDatabase();
    data_.setLocation(settings_.DatabaseLocation);
    maintenance_.setAutoBackup(settings_.AutoBackup);
    maintenance_.startupBackup();
}

void Session::SaveGlobalConfig()
{
    BusyCursor busy(*port_);
    GlobalConfig::save(settings_, root_);
}

void Session::openQuietly()
{
    settings_ = GlobalConfig::load(root_);
    data_.setLocation(settings_.DatabaseLocation);
    data_.ResetDB();
}

} // namespace pelmora
