#include "intake/AccountDownloads.h"

#include "common/GlobalConfig.h"
#include "common/Guard.h"
#include "common/Pause.h"
#include "common/RunFlags.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "intake/AccountName.h"
#include "intake/AccountSelection.h"
#include "toolkit/HttpClient.h"

namespace pelmora
{

namespace
{
// Marks a download as running for its lifetime.
class RunningFlag
{
  public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

  private:
    bool& flag_;
};

DownloadRun skippedRun(UserPort& port)
{
    port.setStatus(AccountDownloads::kAlreadyRunning);
    DownloadRun run;
    run.skipped = true;
    return run;
}
} // namespace

bool DownloadRun::succeeded() const
{
    if (skipped || ended)
        return false;
    for (const AccountDownload& a : accounts) {
        if (a.download.outcome == DownloadResult::Outcome::Placeholder)
            continue;
        if (!a.download.succeeded() || (a.imported && !a.import.ok))
            return false;
    }
    return true;
}

AccountDownloads::AccountDownloads(IntakeContext& context, AccountSelection& selection, const GlobalSettings& settings)
    : context_(context), selection_(selection), settings_(settings)
{
}

void AccountDownloads::applyProxy()
{
    try {
        QSqlQuery proxy = context_.data.select(QStringLiteral("SELECT * FROM Proxy"));
        if (!proxy.next())
            return;
        toolkit::HttpClient& http = context_.http;
        http.setProxyUser(proxy.value(QStringLiteral("User")).toString());
        http.setProxyPassword(proxy.value(QStringLiteral("Pass")).toString());
        http.setProxyServer(proxy.value(QStringLiteral("Server")).toString());
        bool ok = false;
        const int port = proxy.value(QStringLiteral("Port")).toString().trimmed().toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return;
        http.setProxyPort(port);
    } catch (const std::exception&) {
        // Settings that cannot be read leave the client as it was from there on.
    }
}

AccountDownload AccountDownloads::downloadOne(const QString& username, const QString& lookupName)
{
    AccountDownload one;
    one.username = username;
    one.download = Download(context_).run(username, lookupName);
    if (context_.flags.NewOrdersDownloaded) {
        one.imported = true;
        one.import =
            BatchImport(context_.data, context_.port, context_.root, context_.pause).DoBatch(one.download.mstatus);
    }
    return one;
}

DownloadRun AccountDownloads::manualDownload()
{
    if (running_)
        return skippedRun(context_.port);
    RunningFlag running(running_);
    DownloadRun run;
    applyProxy();
    AccountDownload one;
    one.username = selection_.selectorText();
    try {
        one.download = Download(context_).run(one.username);
    } catch (const std::exception&) {
        context_.port.information(kNoAccountSelected);
        run.ended = true;
        return run;
    }
    const bool completed = Guard(kManualSuffix, [&] {
        context_.pause.wait(1000, false);
        if (context_.flags.NewOrdersDownloaded) {
            one.imported = true;
            one.import =
                BatchImport(context_.data, context_.port, context_.root, context_.pause).DoBatch(one.download.mstatus);
        }
    });
    run.ended = !completed;
    run.accounts << one;
    return run;
}

DownloadRun AccountDownloads::tick()
{
    if (!settings_.AutoDownload)
        return {};
    if (settings_.DownloadAllAccounts)
        return downloadAllAccounts(kTimerSuffix);
    if (running_)
        return skippedRun(context_.port);
    RunningFlag running(running_);
    DownloadRun run;
    run.ended = !Guard(kTimerSuffix, [&] {
        const QString text = selection_.selectorText();
        run.accounts << downloadOne(text, text);
        context_.flags.NewOrdersDownloaded = false;
    });
    return run;
}

DownloadRun AccountDownloads::downloadAllAccounts(const QString& failureSuffix)
{
    if (running_)
        return skippedRun(context_.port);
    RunningFlag running(running_);
    DownloadRun run;
    run.ended = !Guard(failureSuffix, [&] {
        const int remembered = selection_.currentAccount();
        for (int i = 0; i < selection_.accountCount(); ++i) {
            selection_.selectAccount(i);
            run.accounts << downloadOne(AccountName::trimmed(selection_.accountName(i)), selection_.selectorText());
            context_.flags.NewOrdersDownloaded = false;
        }
        selection_.selectAccount(remembered);
    });
    return run;
}

} // namespace pelmora
