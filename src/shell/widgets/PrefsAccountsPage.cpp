#include "shell/widgets/PrefsAccountsPage.h"

#include "shell/Session.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"

#include <QVBoxLayout>

namespace pelmora
{

using toolkit::EditorKind;
using toolkit::GridColumn;

namespace
{
GridColumn column(const char* field, const char* caption, int width, EditorKind editor = EditorKind::Text)
{
    GridColumn c;
    c.field = QString::fromLatin1(field);
    c.caption = QString::fromLatin1(caption);
    c.width = width;
    c.editor = editor;
    return c;
}
} // namespace

PrefsAccountsPage::PrefsAccountsPage(Session& session, QWidget* parent)
    : PrefsPage(QStringLiteral("User accounts"), QStringLiteral("Enter your shopping cart accounts here"), parent)
{
    setObjectName(QStringLiteral("pageUserAccounts"));
    model_ = makeTableModel(
        session.data(), QStringLiteral("Users"),
        {QStringLiteral("Username"), QStringLiteral("Website"), QStringLiteral("Pass"), QStringLiteral("Secure")}, {},
        this);
    grid_ = makeGrid("gridUsers", model_,
                     {column("Username", "Username", 25), column("Website", "Site description", 35),
                      column("Pass", "Login password", 20, EditorKind::Password),
                      column("Secure", "Payment password", 20, EditorKind::Password)},
                     body());
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(grid_);
}

void PrefsAccountsPage::postPending(const QString& table)
{
    if (table == QLatin1String("Users"))
        postGrid(grid_);
}

} // namespace pelmora
