#include "shell/widgets/PrefsListsPage.h"

#include "shell/Session.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"

#include <QHBoxLayout>

namespace pelmora
{

using toolkit::GridColumn;

namespace
{
GridColumn column(const char* field, const char* caption, int width, bool visible = true, bool readOnly = false)
{
    GridColumn c;
    c.field = QString::fromLatin1(field);
    c.caption = QString::fromLatin1(caption);
    c.width = width;
    c.visible = visible;
    c.readOnly = readOnly;
    return c;
}
} // namespace

PrefsListsPage::PrefsListsPage(Session& session, QWidget* parent)
    : PrefsPage(QStringLiteral("Lists"), QStringLiteral("Edit items for method, status and template dropdown lists"),
                parent)
{
    setObjectName(QStringLiteral("pageLists"));
    DataModule& data = session.data();
    auto* templates = makeTableModel(
        data, QStringLiteral("Templates"),
        {QStringLiteral("TemplateName"), QStringLiteral("TemplateAddress"), QStringLiteral("RecordId")}, {}, this);
    auto* method = makeTableModel(data, QStringLiteral("Method"), {QStringLiteral("PaymentMethod")}, {}, this);
    auto* status = makeTableModel(data, QStringLiteral("Status"),
                                  {QStringLiteral("Status"), QStringLiteral("RecordId")}, {}, this);

    templates_ =
        makeGrid("gridTemplates", templates,
                 {column("TemplateName", "Template name", 40), column("TemplateAddress", "Template file address", 60),
                  column("RecordId", "RecordId", 20, false, true)},
                 body());
    method_ = makeGrid("gridMethod", method, {column("PaymentMethod", "Payment method", 100)}, body());
    status_ = makeGrid("gridStatus", status,
                       {column("Status", "Status", 70), column("RecordId", "RecordId", 30, true, true)}, body());

    auto* layout = new QHBoxLayout(body());
    layout->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(templates_, 5);
    layout->addWidget(method_, 3);
    layout->addWidget(status_, 3);
}

void PrefsListsPage::postPending(const QString& table)
{
    if (table == QLatin1String("Templates"))
        postGrid(templates_);
    else if (table == QLatin1String("Method"))
        postGrid(method_);
    else if (table == QLatin1String("Status"))
        postGrid(status_);
}

} // namespace pelmora
