#include "intake/DownloadTimer.h"

#include "common/GlobalConfig.h"
#include "intake/AccountDownloads.h"

namespace pelmora
{

DownloadTimer::DownloadTimer(AccountDownloads& downloads, QObject* parent) : QObject(parent), downloads_(downloads)
{
    timer_.setObjectName(QStringLiteral("downloadTimer"));
    timer_.setInterval(kInitialIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &DownloadTimer::fire);
    timer_.start();
}

int DownloadTimer::intervalMs(const QString& minutes)
{
    // The settings' own rule, so that the preferences and the timer never disagree.
    GlobalSettings settings;
    settings.DownloadMinutes = minutes;
    return settings.downloadIntervalMs();
}

void DownloadTimer::applySettings(const GlobalSettings& settings)
{
    timer_.setInterval(settings.downloadIntervalMs());
}

void DownloadTimer::fire()
{
    downloads_.tick();
}

} // namespace pelmora
