#include "shell/widgets/MainWindow.h"

#include "common/ApplicationError.h"
#include "common/ErrorLog.h"
#include "common/Guard.h"
#include "shell/widgets/AboutDialog.h"
#include "shell/widgets/EmailInstaller.h"
#include "shell/widgets/ExportInstaller.h"
#include "shell/widgets/IntakeInstaller.h"
#include "shell/widgets/ReportsInstaller.h"
#include "shell/widgets/WorkspaceInstaller.h"
#include "workspace/widgets/ArchiveDialog.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pelmora
{

namespace
{
QWidget* makeArea(const char* name, QWidget* parent)
{
    auto* area = new QWidget(parent);
    area->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    area->setAutoFillBackground(true);
    return area;
}

void fill(QWidget* area, QWidget* widget)
{
    auto* layout = area->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    if (widget)
        layout->addWidget(widget);
}
} // namespace

// One of the four "Show ... toolbar" commands.
struct MainWindow::ToolbarToggle {
    const char* action;
    const char* toolbar;
    QString shown;
    QString hidden;
};

MainWindow::MainWindow(Session& session) : session_(session)
{
    // Installing the application-wide handler is the application object's part (notify).
    session_.attachPort(this);
    setBusy(true);

    setWindowTitle(kApplicationTitle);
    setObjectName(QStringLiteral("mainWindow"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(800, 480);
    resize(958, 573);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    commands_ = std::make_unique<CommandSurface>(*this, session_.service().homeAddress());
    buildAreas();
    buildStatusBar();
    registerLayout();
    wireCommands();
    workspace_ = InstallWorkspace(*this);
    ExportInstaller::install(*this, *workspace_);
    // Made once, hidden: the date box keeps its text for the run.
    archiveDialog_ = new ArchiveDialog(session_.data(), *this, this);
    InstallReports(*this);

    start();
    intake_.reset(IntakeInstaller::install(*this));
    EmailInstaller::install(*this);
}

MainWindow::~MainWindow()
{
    // What the children do while they go no longer reaches this window.
    session_.attachPort(nullptr);
}

void MainWindow::start()
{
    session_.createFolders();
    layout_.setFile(layoutFile(QStringLiteral("grid_config_default.ini")));
    const bool configured = RunCommand(*this, [&] { session_.LoadGlobalConfig(); });
    commands_->action(CommandSurface::AutoBackup)->setChecked(session_.settings().AutoBackup);
    setBusy(false);
    if (!configured)
        return;
    LoadGridLayout();
    openDatabase();
}

void MainWindow::openDatabase()
{
    session_.data().ResetDB();
}

QString MainWindow::layoutFile(const QString& name) const
{
    return session_.root().file(QStringLiteral("cnfg/") + name);
}

void MainWindow::buildStatusBar()
{
    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("statusArea"));
    auto* layout = new QHBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    statusPanel_ = new QLabel(area);
    statusPanel_->setObjectName(QStringLiteral("statusPanel"));
    // A link in the text's own line: it never takes the focus from where the merchant works
    // (Ctrl+Z does the same from the keyboard).
    statusLink_ = new QPushButton(area);
    statusLink_->setObjectName(QStringLiteral("statusLink"));
    statusLink_->setFlat(true);
    statusLink_->setFocusPolicy(Qt::NoFocus);
    statusLink_->setCursor(Qt::PointingHandCursor);
    statusLink_->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; color: palette(link); text-decoration: underline; }"));
    statusLink_->hide();
    connect(statusLink_, &QPushButton::clicked, this, [this] {
        // A copy: what it runs may put another text, and no link, in the status bar.
        const std::function<void()> follow = followStatusLink_;
        if (follow)
            run(follow);
    });
    layout->addWidget(statusPanel_);
    layout->addWidget(statusLink_);
    layout->addStretch(1);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setFixedHeight(20);
    statusBar()->addWidget(area, 1);
}

void MainWindow::buildAreas()
{
    mainSplitter_ = new QSplitter(Qt::Horizontal, this);
    mainSplitter_->setObjectName(QStringLiteral("splitterInspector"));
    inspectorArea_ = makeArea("inspectorArea", mainSplitter_);
    rightSplitter_ = new QSplitter(Qt::Vertical, mainSplitter_);
    rightSplitter_->setObjectName(QStringLiteral("splitterItems"));
    gridArea_ = makeArea("gridArea", rightSplitter_);
    itemsArea_ = makeArea("itemsArea", rightSplitter_);
    mainSplitter_->addWidget(inspectorArea_);
    mainSplitter_->addWidget(rightSplitter_);
    mainSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setSizes({257, 958 - 257});
    rightSplitter_->setStretchFactor(0, 3);
    rightSplitter_->setStretchFactor(1, 1);
    rightSplitter_->setSizes({380, 120});
    setCentralWidget(mainSplitter_);
}

void MainWindow::setInspectorWidget(QWidget* widget)
{
    fill(inspectorArea_, widget);
}

void MainWindow::setGridWidget(QWidget* widget)
{
    fill(gridArea_, widget);
}

void MainWindow::setItemsWidget(QWidget* widget)
{
    fill(itemsArea_, widget);
}

void MainWindow::registerLayout()
{
    layout_.add(
        QStringLiteral("MainWindow"),
        [this](QSettings& s) {
            const QRect normal = normalGeometry();
            s.setValue(QStringLiteral("BorderWidth"), frameGeometry().width() - geometry().width());
            s.setValue(QStringLiteral("ClientHeight"), normal.height());
            s.setValue(QStringLiteral("ClientWidth"), normal.width());
            s.setValue(QStringLiteral("Height"), frameGeometry().height());
            s.setValue(QStringLiteral("Left"), normal.left());
            s.setValue(QStringLiteral("Top"), normal.top());
            s.setValue(QStringLiteral("WindowState"),
                       isMaximized() ? QStringLiteral("wsMaximized") : QStringLiteral("wsNormal"));
        },
        [this](const QSettings& s) {
            const int w = s.value(QStringLiteral("ClientWidth"), width()).toInt();
            const int h = s.value(QStringLiteral("ClientHeight"), height()).toInt();
            resize(std::max(w, minimumWidth()), std::max(h, minimumHeight()));
            if (s.contains(QStringLiteral("Left")) && s.contains(QStringLiteral("Top"))) {
                const QPoint at(s.value(QStringLiteral("Left")).toInt(), s.value(QStringLiteral("Top")).toInt());
                // Only a place that is still on a screen is taken over.
                if (QGuiApplication::screenAt(at + QPoint(20, 20)))
                    move(at);
            }
            if (s.value(QStringLiteral("WindowState")).toString() == QLatin1String("wsMaximized"))
                setWindowState(windowState() | Qt::WindowMaximized);
            else
                setWindowState(windowState() & ~Qt::WindowMaximized);
        });
    layout_.add(
        QStringLiteral("SplitterInspector"),
        [this](QSettings& s) {
            s.setValue(QStringLiteral("Left"), mainSplitter_->sizes().value(0));
            s.setValue(QStringLiteral("Width"), mainSplitter_->handleWidth());
        },
        [this](const QSettings& s) {
            const int left = s.value(QStringLiteral("Left"), 257).toInt();
            const int total = std::max(width(), left + 200);
            mainSplitter_->setSizes({left, total - left});
        });
    layout_.add(
        QStringLiteral("SplitterItems"),
        [this](QSettings& s) {
            s.setValue(QStringLiteral("Top"), rightSplitter_->sizes().value(0));
            s.setValue(QStringLiteral("Height"), rightSplitter_->handleWidth());
            s.setValue(QStringLiteral("Left"), rightSplitter_->x());
            s.setValue(QStringLiteral("Width"), rightSplitter_->width());
        },
        [this](const QSettings& s) {
            const int top = s.value(QStringLiteral("Top"), 380).toInt();
            const int total = std::max(rightSplitter_->height(), top + 100);
            rightSplitter_->setSizes({top, total - top});
        });
}

void MainWindow::wireCommands()
{
    CommandSurface& c = *commands_;
    auto on = [&](const char* name, auto slot) {
        connect(c.action(QString::fromLatin1(name)), &QAction::triggered, this,
                [this, slot] { run([this, slot] { (this->*slot)(); }); });
    };
    on(CommandSurface::BackupNow, &MainWindow::backupNow);
    on(CommandSurface::RestoreLastBackup, &MainWindow::restoreLastBackup);
    on(CommandSurface::ReloadCurrentOrders, &MainWindow::reloadCurrentOrders);
    on(CommandSurface::ArchiveOrders, &MainWindow::archiveOrders);
    on(CommandSurface::ViewArchivedOrders, &MainWindow::viewArchivedOrders);
    on(CommandSurface::RestoreDefaults, &MainWindow::restoreDefaults);
    on(CommandSurface::Exit, &MainWindow::exitNow);
    connect(c.action(CommandSurface::AutoBackup), &QAction::triggered, this,
            [this](bool checked) { run([&] { autoBackupToggled(checked); }); });

    const ToolbarToggle toggles[] = {
        {CommandSurface::ShowActions, CommandSurface::ActionsBar, QStringLiteral("Actions toolbar shown"),
         QStringLiteral("Actions toolbar hidden")},
        {CommandSurface::ShowLayout, CommandSurface::LayoutBar, QStringLiteral("Layout toolbar shown"),
         QStringLiteral("Layout toolbar hidden")},
        {CommandSurface::ShowUsername, CommandSurface::AccountBar, QStringLiteral("Username toolbar shown"),
         QStringLiteral("Username toolbar hidden")},
        {CommandSurface::ShowEmail, CommandSurface::EmailBar, QStringLiteral("Email toolbar shown"),
         QStringLiteral("Email toolbar hidden")},
    };
    for (const ToolbarToggle& toggle : toggles)
        connect(c.action(QString::fromLatin1(toggle.action)), &QAction::triggered, this,
                [this, toggle] { run([&] { toggleToolbar(toggle); }); });

    connect(c.action(CommandSurface::Help), &QAction::triggered, this,
            [this] { run([this] { openUrl(QUrl(session_.service().supportUrl())); }); });
    connect(c.action(CommandSurface::WebSite), &QAction::triggered, this, [this] {
        run([this] {
            const QString home = session_.service().homeAddress();
            openUrl(QUrl::fromUserInput(home));
        });
    });
    connect(c.action(CommandSurface::About), &QAction::triggered, this, [this] {
        run([this] {
            AboutDialog about(this);
            about.exec();
        });
    });

    // Commands whose operations arrive with later parts of the program stay disabled until
    // those parts connect them.
    for (const char* name :
         {CommandSurface::Print, CommandSurface::OpenReports, CommandSurface::SendEmail, CommandSurface::ExportOrders,
          CommandSurface::ExportItems, CommandSurface::AutoUpdatePasteData, CommandSurface::Reports,
          CommandSurface::ExportOrdersButton, CommandSurface::ExportItemsButton, CommandSurface::PasteData,
          CommandSurface::SendEmailButton})
        c.action(QString::fromLatin1(name))->setEnabled(false);
}

void MainWindow::run(const std::function<void()>& command)
{
    RunCommand(*this, command);
}

void MainWindow::backupNow()
{
    session_.maintenance().backupNow();
}

void MainWindow::restoreLastBackup()
{
    session_.maintenance().restoreLastBackup();
    // The rows changed were those of the file replaced.
    workspace_->workspace().history().clear();
}

void MainWindow::autoBackupToggled(bool checked)
{
    session_.maintenance().setAutoBackup(checked);
}

void MainWindow::reloadCurrentOrders()
{
    // The grid, inspector and items go back to the live orders before the database reopens.
    workspace_->workspace().setSource(OrdersSource::Live);
    session_.data().ResetDB();
    IntakeInstaller::enableDownloadCommands(*commands_);
    setStatus(kReloaded);
}

void MainWindow::archiveOrders()
{
    if (OrderArchiving(session_.data(), *this).locationAllows(session_.settings().DatabaseLocation)) {
        archiveDialog_->exec();
        // Archived orders have left the tables that the changes were made in.
        workspace_->workspace().history().clear();
    }
}

void MainWindow::viewArchivedOrders()
{
    workspace_->workspace().setSource(OrdersSource::Archive);
    IntakeInstaller::enableDownloadCommands(*commands_, false);
    setStatus(kViewingArchive);
}

void MainWindow::restoreDefaults()
{
    layout_.setFile(layoutFile(QStringLiteral("grid_config_default.ini")));
    Guard(QString(), [&] { layout_.restore(); });
    setStatus(kDefaultsRestored);
}

void MainWindow::toggleToolbar(const ToolbarToggle& toggle)
{
    const bool on = commands_->action(QString::fromLatin1(toggle.action))->isChecked();
    commands_->toolbar(QString::fromLatin1(toggle.toolbar))->setVisible(on);
    setStatus(on ? toggle.shown : toggle.hidden);
}

void MainWindow::LoadGridLayout()
{
    // Before the first close there is no layout of the merchant's own: the default one serves.
    const QString own = layoutFile(QStringLiteral("grid_config1.ini"));
    layout_.setFile(QFileInfo::exists(own) ? own : layoutFile(QStringLiteral("grid_config_default.ini")));
    Guard(QString(), [&] { layout_.restore(); });
    layout_.setFile(own);
}

void MainWindow::SaveGridLayout()
{
    layout_.setFile(layoutFile(QStringLiteral("grid_config1.ini")));
    layout_.store();
}

void MainWindow::finishStartup()
{
    show();
    session_.flags().StartedUp = true;
    setStatus(kWelcome);
    // A database that cannot be opened or written is said once, not shown as an empty grid.
    session_.maintenance().startupReport();
}

void MainWindow::FormClose()
{
    Guard(QStringLiteral(" method: FormClose"), [&] {
        session_.SaveGlobalConfig();
        SaveGridLayout();
        session_.data().disconnectDatabase();
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!exiting_)
        FormClose();
    event->accept();
    QApplication::quit();
}

void MainWindow::exitNow()
{
    // "Exit" leaves at once: nothing is saved and nothing is logged.
    exiting_ = true;
    QApplication::exit(0);
}

void MainWindow::setStatus(const QString& text)
{
    withdrawStatusLink();
    statusPanel_->setText(text);
}

QString MainWindow::status() const
{
    if (!followStatusLink_)
        return statusPanel_->text();
    return statusPanel_->text() + QLatin1Char(' ') + statusLink_->text();
}

void MainWindow::setLinkedStatus(const QString& text, const QString& link, std::function<void()> follow)
{
    statusPanel_->setText(text);
    statusLink_->setText(link);
    followStatusLink_ = std::move(follow);
    statusLink_->setVisible(bool(followStatusLink_));
}

void MainWindow::withdrawStatusLink()
{
    followStatusLink_ = {};
    statusLink_->hide();
}

void MainWindow::information(const QString& text)
{
    QMessageBox::information(this, kApplicationTitle, text, QMessageBox::Ok);
}

void MainWindow::warning(const QString& text)
{
    QMessageBox::warning(this, kApplicationTitle, text, QMessageBox::Ok);
}

bool MainWindow::confirm(const QString& text)
{
    return QMessageBox::question(this, kApplicationTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool MainWindow::confirmWarning(const QString& text)
{
    return QMessageBox::warning(this, kApplicationTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok) == QMessageBox::Ok;
}

void MainWindow::openPreferences(const QString& tab)
{
    if (openPreferences_)
        openPreferences_(tab);
}

void MainWindow::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

void MainWindow::setClipboard(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

void MainWindow::setBusy(bool busy)
{
    if (busy) {
        if (busyDepth_++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace pelmora
