#pragma once

#include "intake/BatchImport.h"
#include "intake/Download.h"
#include "intake/IntakeContext.h"

#include <QList>
#include <QString>

namespace pelmora
{

class AccountSelection;
struct GlobalSettings;

// One account's download within a run, for callers that report more than the status bar.
struct AccountDownload {
    QString username;
    DownloadResult download;
    bool imported = false;
    ImportResult import;
};

struct DownloadRun {
    bool skipped = false; // another download was running: nothing was done
    bool ended = false;   // an unhandled failure ended the run (logged)
    QList<AccountDownload> accounts;
    // Every account answered with orders, "OK" or "No new orders", and every import worked.
    bool succeeded() const;
};

// The Download commands and the automatic download's tick: which accounts to download,
// the proxy, and DoBatch after each download that announced orders. Only one download runs
// at a time: a command or tick that arrives while one runs (during the request or the
// import's wait) is skipped, and the status bar says so.
class AccountDownloads
{
  public:
    static inline const QString kNoAccountSelected = QStringLiteral("No account selected");
    static inline const QString kAlreadyRunning =
        QStringLiteral("A download is already running; this one was not started");
    static inline const QString kManualSuffix =
        QStringLiteral(" method:Downloadbuttonclick problem with username assignment");
    static inline const QString kTimerSuffix = QStringLiteral(" method:autodownload problem with username assignment");

    // settings is read at every tick (AutoDownload, DownloadAllAccounts).
    AccountDownloads(IntakeContext& context, AccountSelection& selection, const GlobalSettings& settings);

    // The Download command (menu item and toolbar button): the proxy applied, the selected
    // account downloaded, a 1 s pause, DoBatch when orders were announced.
    DownloadRun manualDownload();
    // The timer: nothing unless AutoDownload; the selected account, or every account when
    // DownloadAllAccounts.
    DownloadRun tick();
    // Every account in table order (trimmed names), the selection restored at the end; an
    // unhandled failure ends the run where it happened. Used by the tick and pelmora-cli.
    DownloadRun downloadAllAccounts(const QString& failureSuffix);

    // Copies the Proxy row (User, Pass, Server, Port, in this order) into the client; stops
    // silently at the first setting that cannot be read or applied (an empty Port).
    void applyProxy();

    bool isRunning() const { return running_; }

  private:
    AccountDownload downloadOne(const QString& username, const QString& lookupName);

    IntakeContext& context_;
    AccountSelection& selection_;
    const GlobalSettings& settings_;
    bool running_ = false;
};

} // namespace pelmora
