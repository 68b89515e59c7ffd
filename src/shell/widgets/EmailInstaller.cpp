#include "shell/widgets/EmailInstaller.h"

#include "common/Error.h"
#include "common/Guard.h"
#include "email/EmailComposer.h"
#include "email/PasteData.h"
#include "email/StatusTriggers.h"
#include "email/TriggerMailing.h"
#include "email/widgets/EmailDialog.h"
#include "email/widgets/PasteDetailsWindow.h"
#include "email/widgets/TriggerMailDialog.h"
#include "shell/widgets/MainWindow.h"
#include "toolkit/SqlTableModel.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QAction>
#include <QSqlQuery>
#include <QSqlRecord>

namespace pelmora
{

EmailInstaller* EmailInstaller::install(MainWindow& window)
{
    auto* view = window.findChild<WorkspaceView*>(QStringLiteral("workspaceView"));
    if (!view)
        throw Error(QStringLiteral("The orders workspace is not in place"));
    return new EmailInstaller(window, *view);
}

EmailInstaller::EmailInstaller(MainWindow& window, WorkspaceView& view) : QObject(&window), window_(window), view_(view)
{
    setObjectName(QStringLiteral("emailInstaller"));
    Session& session = window.session();
    composer_ = std::make_unique<EmailComposer>(session.data(), window, session.service(), session.root());
    composer_->setOrderSource([this]() -> std::optional<QVariantMap> {
        toolkit::SqlTableModel* orders = view_.workspace().DataSourceOrders();
        if (!orders->isOpen() || orders->rowCount() == 0)
            return std::nullopt;
        return view_.workspace().currentOrder();
    });
    triggers_ = std::make_unique<StatusTriggers>(session.data(), session.flags().StatusChanged);

    // Created hidden at start and reused to the end.
    dialog_ = new EmailDialog(*composer_, window, session.service(), &window);
    dialog_->hide();
    paste_ = new PasteDetailsWindow(&window);
    paste_->hide();
    wireCommands();
}

EmailInstaller::~EmailInstaller() = default;

void EmailInstaller::wireCommands()
{
    CommandSurface& commands = window_.commands();
    for (const char* name : {CommandSurface::SendEmail, CommandSurface::SendEmailButton}) {
        QAction* action = commands.action(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this] { window_.run([this] { openEmailDialog(); }); });
        action->setEnabled(true);
    }
    connect(view_.inspector(), &OrderInspector::emailRequested, this,
            [this] { window_.run([this] { openEmailDialog(); }); });

    QAction* paste = commands.action(QString::fromLatin1(CommandSurface::PasteData));
    connect(paste, &QAction::triggered, this, [this] {
        paste_->openSmall();
        fillPasteData();
    });
    paste->setEnabled(true);
    QAction* autoUpdate = commands.action(QString::fromLatin1(CommandSurface::AutoUpdatePasteData));
    autoUpdate->setEnabled(true);

    OrdersWorkspace& workspace = view_.workspace();
    connect(&workspace, &OrdersWorkspace::currentRowChanged, this, [this, autoUpdate](int row) {
        // The live orders' current row is remembered for the archive view.
        OrdersWorkspace& w = view_.workspace();
        if (row >= 0 && w.source() == OrdersSource::Live)
            liveKey_ = w.currentOrder().value(QStringLiteral("id"));
        if (row >= 0 && autoUpdate->isChecked() && window_.session().flags().StartedUp)
            fillPasteData();
    });
    workspace.setAfterOrdersPostHook([this](int row) { afterOrdersPost(row); });
    connect(&workspace, &OrdersWorkspace::statusSet, this, &EmailInstaller::statusSet);
}

void EmailInstaller::statusSet(const QList<qint64>& keys, const QString& status)
{
    // The trigger of the status, looked up as after a post of the grid's status editor.
    QString templateName;
    Guard(StatusTriggers::kSuffix, [&] { templateName = triggers_->triggeredTemplate(status); });
    if (templateName.isNull())
        return;
    window_.run([&] {
        Session& session = window_.session();
        auto mailing = std::make_unique<TriggerMailing>(session.data(), window_, session.service(), session.root(),
                                                        templateName, keys);
        TriggerMailDialog dialog(std::move(mailing), status, window_, &window_);
        dialog.exec();
    });
}

void EmailInstaller::openEmailDialog()
{
    dialog_->openModal();
}

void EmailInstaller::afterOrdersPost(int row)
{
    const QVariant status = view_.workspace().orders(OrdersSource::Live)->value(row, QStringLiteral("Status"));
    triggers_->afterOrdersPost(status, [this](const QString& templateName) {
        dialog_->chooseTemplate(templateName);
        openEmailDialog();
    });
}

QVariantMap EmailInstaller::liveOrder()
{
    OrdersWorkspace& workspace = view_.workspace();
    if (workspace.source() == OrdersSource::Live) {
        const QVariantMap order = workspace.currentOrder();
        if (order.isEmpty())
            throw Error(QStringLiteral("TdbQueryOrders: Cannot perform this operation on a closed dataset"));
        liveKey_ = order.value(QStringLiteral("id"));
        return order;
    }
    // The archive is shown: the live orders stay on the order they stood on.
    if (!liveKey_.isValid())
        throw Error(QStringLiteral("TdbQueryOrders: Cannot perform this operation on a closed dataset"));
    QSqlQuery query = window_.session().data().select(QStringLiteral("SELECT * FROM Orders WHERE id = ?"), {liveKey_});
    if (!query.next())
        throw Error(QStringLiteral("TdbQueryOrders: Cannot perform this operation on a closed dataset"));
    QVariantMap order;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        order.insert(record.fieldName(i), query.isNull(i) ? QVariant() : query.value(i));
    return order;
}

void EmailInstaller::fillPasteData()
{
    window_.run([this] {
        const QString text = PasteData::fill(liveOrder(), window_.session().root());
        paste_->setText(text);
        window_.setClipboard(text);
    });
}

} // namespace pelmora
