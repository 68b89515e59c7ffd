#include "shell/widgets/IntakeInstaller.h"

#include "common/Guard.h"
#include "intake/AccountDownloads.h"
#include "intake/AccountSelection.h"
#include "intake/AdminLink.h"
#include "intake/DownloadTimer.h"
#include "intake/IntakeContext.h"
#include "shell/widgets/CommandSurface.h"
#include "shell/widgets/MainWindow.h"
#include "shell/widgets/PrefsAccountsPage.h"
#include "shell/widgets/PrefsDialog.h"
#include "toolkit/HttpClient.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

namespace pelmora
{

// The window's user port, with the window's controls disabled while an operation is busy (a
// request runs its own event loop meanwhile). Boxes and the preferences dialog are windows of
// their own and stay usable.
class IntakeInstaller::BusyPort : public UserPort
{
  public:
    explicit BusyPort(MainWindow& window) : window_(window) {}

    void setStatus(const QString& text) override { window_.setStatus(text); }
    QString status() const override { return window_.status(); }
    void setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow) override
    {
        window_.setLinkedStatus(text, link, std::move(follow));
    }
    void withdrawStatusLink() override { window_.withdrawStatusLink(); }
    void information(const QString& text) override { window_.information(text); }
    void warning(const QString& text) override { window_.warning(text); }
    bool confirm(const QString& text) override { return window_.confirm(text); }
    void openPreferences(const QString& tab) override { window_.openPreferences(tab); }
    void openUrl(const QUrl& url) override { window_.openUrl(url); }
    void setClipboard(const QString& text) override { window_.setClipboard(text); }

    void setBusy(bool busy) override
    {
        if (busy) {
            if (depth_++ == 0)
                enableControls(false);
        } else if (depth_ > 0 && --depth_ == 0) {
            enableControls(true);
        }
        window_.setBusy(busy);
    }

  private:
    void enableControls(bool enabled)
    {
        if (QWidget* central = window_.centralWidget())
            central->setEnabled(enabled);
        window_.menuBar()->setEnabled(enabled);
        for (QToolBar* bar : window_.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
            bar->setEnabled(enabled);
    }

    MainWindow& window_;
    int depth_ = 0;
};

// The accounts as the selector holds them: the rows of its model and its current row.
class IntakeInstaller::SelectorAccounts : public AccountSelection
{
  public:
    SelectorAccounts(QComboBox& box, toolkit::SqlTableModel& model) : box_(box), model_(model) {}

    int accountCount() const override { return model_.rowCount(); }
    QString accountName(int index) const override
    {
        const QVariant value = model_.value(index, QStringLiteral("Username"));
        return value.isNull() ? QString() : value.toString();
    }
    int currentAccount() const override { return box_.currentIndex(); }
    void selectAccount(int index) override { box_.setCurrentIndex(index); }
    QString selectorText() const override
    {
        return box_.currentIndex() < 0 ? QString() : accountName(box_.currentIndex());
    }

  private:
    QComboBox& box_;
    toolkit::SqlTableModel& model_;
};

IntakeInstaller* IntakeInstaller::install(MainWindow& window)
{
    return new IntakeInstaller(window);
}

IntakeInstaller::IntakeInstaller(MainWindow& window) : QObject(&window), window_(window)
{
    setObjectName(QStringLiteral("intakeInstaller"));
    Session& session = window.session();

    http_ = std::make_unique<toolkit::HttpClient>();
    http_->setObjectName(QStringLiteral("httpClient"));
    port_ = std::make_unique<BusyPort>(window);

    // Created hidden, filled once from the settings read at start.
    prefs_ = new PrefsDialog(session, &window);
    prefs_->hide();

    buildSelector();
    context_ = std::unique_ptr<IntakeContext>(new IntakeContext{session.data(), *port_, session.service(), *http_,
                                                                session.root(), session.pause(), session.flags()});
    downloads_ = std::make_unique<AccountDownloads>(*context_, *accounts_, session.settings());
    admin_ = std::make_unique<AdminLink>(session.data(), *port_, session.service());

    timer_ = std::make_unique<DownloadTimer>(*downloads_);
    timer_->setObjectName(QStringLiteral("intakeDownloadTimer"));
    // The settings have been read: the interval follows DownloadMinutes from now on.
    Guard(QString(), [&] { timer_->applySettings(session.settings()); });
    prefs_->setIntervalSetter([this](const GlobalSettings& settings) { timer_->applySettings(settings); });

    connect(prefs_, &PrefsDialog::autoBackupChanged, this,
            [this](bool state) { window_.commands().action(CommandSurface::AutoBackup)->setChecked(state); });
    window.setPreferencesOpener([this](const QString& tab) { openPreferences(tab); });
    wireCommands();
}

IntakeInstaller::~IntakeInstaller()
{
    // The window and the dialog outlive the installer: nothing of theirs may call back into it.
    window_.setPreferencesOpener({});
    prefs_->setIntervalSetter({});
}

AccountSelection& IntakeInstaller::accounts() const
{
    return *accounts_;
}

UserPort& IntakeInstaller::port() const
{
    return *port_;
}

void IntakeInstaller::buildSelector()
{
    QComboBox* box = window_.commands().accountSelector();
    PrefsAccountsPage* page = prefs_->accountsPage();
    toolkit::SqlTableModel* model = page->model();

    // The drop-down lists every account as Username and Website, without a header.
    auto* list = new QTableView(box);
    list->setObjectName(QStringLiteral("accountSelectorList"));
    list->horizontalHeader()->hide();
    list->verticalHeader()->hide();
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(false);
    list->setMinimumWidth(200);
    box->setView(list);
    box->setModel(model);
    box->setModelColumn(model->columnIndex(QStringLiteral("Username")));
    // The list's columns are shaped again whenever the accounts are read again.
    auto shapeList = [list, model] {
        const int username = model->columnIndex(QStringLiteral("Username"));
        const int website = model->columnIndex(QStringLiteral("Website"));
        for (int column = 0; column < model->columnCount(); ++column)
            list->setColumnHidden(column, column != username && column != website);
        // 15 : 25 of the 200 pixels.
        list->setColumnWidth(username, 75);
        list->setColumnWidth(website, 125);
    };
    shapeList();
    connect(model, &QAbstractItemModel::modelReset, list, shapeList);
    box->setEnabled(true);

    accounts_ = std::make_unique<SelectorAccounts>(*box, *model);

    // The selected account stays selected when the accounts are read again (after ResetDB).
    auto remembered = std::make_shared<int>(0);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, box, [box, remembered] {
        if (box->currentIndex() >= 0)
            *remembered = box->currentIndex();
    });
    connect(model, &QAbstractItemModel::modelReset, box, [box, model, remembered] {
        const int rows = model->rowCount();
        if (rows > 0)
            box->setCurrentIndex(std::min(*remembered, rows - 1));
    });
    if (model->rowCount() > 0)
        box->setCurrentIndex(0);

    // The preferences grid works on the selector's accounts: moving in it moves the selection.
    connect(&page->grid()->cursor(), &toolkit::GridCursor::focusedRowChanged, this, [this, box](int row) {
        if (prefs_->isVisible() && row >= 0 && row != box->currentIndex())
            box->setCurrentIndex(row);
    });
}

void IntakeInstaller::enableDownloadCommands(CommandSurface& commands, bool enabled)
{
    commands.action(CommandSurface::Download)->setEnabled(enabled);
    commands.action(CommandSurface::DownloadButton)->setEnabled(enabled);
}

void IntakeInstaller::wireCommands()
{
    CommandSurface& c = window_.commands();
    auto download = [this] { window_.run([this] { downloads_->manualDownload(); }); };
    connect(c.action(CommandSurface::Download), &QAction::triggered, this, download);
    connect(c.action(CommandSurface::DownloadButton), &QAction::triggered, this, download);
    connect(c.action(CommandSurface::LoginToAdmin), &QAction::triggered, this,
            [this] { window_.run([this] { admin_->open(accounts_->selectorText()); }); });
    connect(c.action(CommandSurface::Preferences), &QAction::triggered, this,
            [this] { window_.run([this] { openPreferences(kUserAccountsTab); }); });
    enableDownloadCommands(c);
    c.action(CommandSurface::LoginToAdmin)->setEnabled(true);
    c.action(CommandSurface::Preferences)->setEnabled(true);
}

void IntakeInstaller::openPreferences(const QString& tab)
{
    if (prefs_->isVisible())
        return;
    // The grid starts on the selected account.
    const int selected = accounts_->currentAccount();
    if (selected >= 0)
        prefs_->accountsPage()->grid()->cursor().setCurrentRow(selected);
    prefs_->openOn(tab);
}

} // namespace pelmora
