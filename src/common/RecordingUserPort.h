#pragma once

#include "common/UserPort.h"

#include <QStringList>
#include <functional>

namespace pelmora
{

// A user port without windows: remembers everything the user would have seen, answers
// confirmations with a chosen answer and, for pelmora-cli, echoes status texts.
class RecordingUserPort : public UserPort
{
  public:
    void setStatus(const QString& text) override;
    QString status() const override { return status_; }
    void setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow) override;
    void withdrawStatusLink() override;
    // Clicks the status bar's link as the merchant would; false when none is shown.
    bool followStatusLink();
    // The link's words while one is shown.
    QString statusLink() const { return follow_ ? link_ : QString(); }
    void information(const QString& text) override;
    void warning(const QString& text) override;
    bool confirm(const QString& text) override;
    void openPreferences(const QString& tab) override;
    void openUrl(const QUrl& url) override;
    void setClipboard(const QString& text) override;
    void setBusy(bool busy) override;

    // Every status text in order, and every box as "information: text" etc.
    QStringList statuses;
    QStringList boxes;
    QStringList preferencesOpened;
    QList<QUrl> urlsOpened;
    QString clipboard;
    int busyDepth = 0;
    bool confirmAnswer = true;
    // Called on every status text (pelmora-cli prints it).
    std::function<void(const QString&)> onStatus;
    // Called when the preferences would open (a test may change data meanwhile).
    std::function<void(const QString&)> onPreferences;

  private:
    QString status_;
    QString text_;
    QString link_;
    std::function<void()> follow_;
};

} // namespace pelmora
