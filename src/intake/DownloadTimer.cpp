#include "intake/DownloadTimer.h"

#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "intake/AccountDownloads.h"

#include <limits>

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
    bool ok = false;
    const qint64 value = minutes.trimmed().toLongLong(&ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(minutes));
    // A zero or negative interval would make the timer fire without pause.
    const qint64 ms = std::max<qint64>(value, 1) * 60000;
    return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

void DownloadTimer::applySettings(const GlobalSettings& settings)
{
    timer_.setInterval(intervalMs(settings.DownloadMinutes));
}

void DownloadTimer::fire()
{
    downloads_.tick();
}

} // namespace pelmora
