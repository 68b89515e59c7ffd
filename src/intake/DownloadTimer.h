#pragma once

#include <QObject>
#include <QTimer>

namespace pelmora
{

class AccountDownloads;
struct GlobalSettings;

// The automatic download's interval timer: always running, 12,000,000 ms until the settings
// are applied, then DownloadMinutes x 60,000 ms. Each timeout runs AccountDownloads::tick().
class DownloadTimer : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kInitialIntervalMs = 12000000;

    explicit DownloadTimer(AccountDownloads& downloads, QObject* parent = nullptr);

    // DownloadMinutes x 60,000 ms (at least one minute; at most what a timer holds). Throws
    // Error when the minutes are not a whole number; the interval is then unchanged.
    void applySettings(const GlobalSettings& settings);
    static int intervalMs(const QString& minutes);

    int interval() const { return timer_.interval(); }
    bool isActive() const { return timer_.isActive(); }
    QTimer& timer() { return timer_; }

  public slots:
    // What a timeout does: the tick, its failures logged by it.
    void fire();

  private:
    AccountDownloads& downloads_;
    QTimer timer_;
};

} // namespace pelmora
