#include "shell/widgets/PrefsDialog.h"

#include "common/ApplicationError.h"
#include "shell/Session.h"
#include "shell/widgets/PathField.h"
#include "shell/widgets/PrefsAccountsPage.h"
#include "shell/widgets/PrefsDownloadPage.h"
#include "shell/widgets/PrefsEmailPage.h"
#include "shell/widgets/PrefsListsPage.h"
#include "shell/widgets/PrefsLocationsPage.h"
#include "shell/widgets/PrefsProxyPage.h"
#include "shell/widgets/PrefsTriggersPage.h"
#include "toolkit/SqlTableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace pelmora
{

PrefsDialog::PrefsDialog(Session& session, QWidget* parent) : QDialog(parent, Qt::Tool), session_(session)
{
    setObjectName(QStringLiteral("prefsDialog"));
    setWindowTitle(kPrefsCaption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("prefsTabs"));
    layout->addWidget(tabs_);

    locations_ = new PrefsLocationsPage(session.root(), tabs_);
    email_ = new PrefsEmailPage(session_, tabs_);
    triggers_ = new PrefsTriggersPage(session_, tabs_);
    lists_ = new PrefsListsPage(session_, tabs_);
    download_ = new PrefsDownloadPage(tabs_);
    accounts_ = new PrefsAccountsPage(session_, tabs_);
    proxy_ = new PrefsProxyPage(session_, tabs_);
    pages_ = {locations_, email_, triggers_, lists_, download_, accounts_, proxy_};
    for (PrefsPage* page : std::as_const(pages_)) {
        tabs_->addTab(page, page->caption());
        connect(page, &PrefsPage::closeClicked, this, &QDialog::accept);
        connect(page, &PrefsPage::helpClicked, this, [this] {
            RunCommand(session_.port(), [this] { session_.port().openUrl(QUrl(session_.service().supportUrl())); });
        });
    }

    connect(locations_, &PrefsLocationsPage::autoBackupClicked, this, [this](bool checked) {
        RunCommand(session_.port(), [&] {
            session_.maintenance().setAutoBackup(checked);
            emit autoBackupChanged(checked);
        });
    });
    connect(download_, &PrefsDownloadPage::autoDownloadClicked, this,
            [this](bool checked) { session_.settings().AutoDownload = checked; });

    // Every tab stays in sight: the dialog is as wide as its tabs need, and at least its
    // designed size.
    tabs_->setUsesScrollButtons(false);
    tabs_->tabBar()->setExpanding(false);
    layout->activate();
    resize(minimumSizeHint().expandedTo(QSize(634, 361)));

    fillControls();
}

PrefsDialog::~PrefsDialog() = default;

void PrefsDialog::fillControls()
{
    const GlobalSettings& s = session_.settings();
    locations_->databaseBox()->setPath(s.DatabaseLocation);
    locations_->backupBox()->setPath(s.BackupFolder);
    locations_->autoBackupBox()->setChecked(s.AutoBackup);
    download_->autoDownloadBox()->setChecked(s.AutoDownload);
    if (s.DownloadAllAccounts)
        download_->allAccountsButton()->setChecked(true);
    else
        download_->selectedAccountButton()->setChecked(true);
    download_->minutesBox()->setCurrentText(s.DownloadMinutes);
}

void PrefsDialog::openOn(const QString& tab)
{
    for (PrefsPage* page : std::as_const(pages_))
        if (page->caption() == tab)
            tabs_->setCurrentWidget(page);
    exec();
}

PrefsValues PrefsDialog::values() const
{
    PrefsValues v;
    v.databasePath = locations_->databaseBox()->path();
    v.backupPath = locations_->backupBox()->path();
    v.downloadAllAccounts = download_->allAccountsButton()->isChecked();
    v.autoDownload = download_->autoDownloadBox()->isChecked();
    v.downloadMinutes = download_->minutesBox()->currentText();
    return v;
}

void PrefsDialog::done(int result)
{
    // The close steps may show warning boxes; a second close meanwhile waits for them.
    if (closing_)
        return;
    closing_ = true;
    runCloseSteps();
    closing_ = false;
    QDialog::done(result);
    emit closed();
}

void PrefsDialog::postPending(const QString& table)
{
    for (PrefsPage* page : std::as_const(pages_))
        page->postPending(table);
}

void PrefsDialog::reloadTable(const QString& table)
{
    if (auto* model = findChild<toolkit::SqlTableModel*>(QStringLiteral("model") + table))
        if (session_.data().isConnected())
            model->refresh();
}

void PrefsDialog::runCloseSteps()
{
    PrefsClose steps(
        session_, [this](const QString& table) { postPending(table); }, setInterval_);
    PrefsValues v = values();
    QStringList added;
    RunCommand(session_.port(), [&] {
        added = steps.postTables();
        // A table that got its empty row shows it (ResetDB below reads every table again
        // only when the locations are taken over).
        for (const QString& table : std::as_const(added))
            reloadTable(table);
        steps.applyAndSave(v);
    });
    locations_->databaseBox()->setPath(v.databasePath);
}

} // namespace pelmora
