#include "shell/widgets/PrefsTriggersPage.h"

#include "shell/Session.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"

#include <QVBoxLayout>

namespace pelmora
{

using toolkit::EditorKind;
using toolkit::GridColumn;

PrefsTriggersPage::PrefsTriggersPage(Session& session, QWidget* parent)
    : PrefsPage(QStringLiteral("Automated e-mail"),
                QStringLiteral("E-mails automatically sent when you change the status of an order "), parent)
{
    setObjectName(QStringLiteral("pageAutomatedEmail"));
    model_ = makeTableModel(session.data(), QStringLiteral("Triggers"),
                            {QStringLiteral("Status"), QStringLiteral("Template"), QStringLiteral("Active")}, {}, this);

    GridColumn status;
    status.field = QStringLiteral("Status");
    status.caption = QStringLiteral("Change status to...");
    status.editor = EditorKind::Lookup;
    status.lookup.table = QStringLiteral("Status");
    status.lookup.field = QStringLiteral("Status");
    status.width = 40;
    GridColumn tmpl;
    tmpl.field = QStringLiteral("Template");
    tmpl.caption = QStringLiteral("Template used");
    tmpl.editor = EditorKind::Lookup;
    tmpl.lookup.table = QStringLiteral("Templates");
    tmpl.lookup.field = QStringLiteral("TemplateName");
    tmpl.width = 40;
    GridColumn active;
    active.field = QStringLiteral("Active");
    active.caption = QStringLiteral("Active");
    active.editor = EditorKind::CheckBox;
    active.width = 20;

    grid_ = makeGrid("gridTriggers", model_, {status, tmpl, active}, body());
    grid_->navigator()->setDeleteRefused(true);
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(grid_);
}

void PrefsTriggersPage::postPending(const QString& table)
{
    if (table == QLatin1String("Triggers"))
        postGrid(grid_);
}

} // namespace pelmora
