#include "shell/widgets/PrefsProxyPage.h"

#include "common/ApplicationError.h"
#include "shell/Session.h"
#include "shell/widgets/PrefsRecordBinding.h"
#include "toolkit/SqlTableModel.h"

#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace pelmora
{

PrefsProxyPage::PrefsProxyPage(Session& session, QWidget* parent)
    : PrefsPage(QStringLiteral("Proxy server"),
                QStringLiteral("If you use a proxy for HTTPS then add your settings here"), parent)
{
    setObjectName(QStringLiteral("pageProxy"));
    model_ = makeTableModel(
        session.data(), QStringLiteral("Proxy"),
        {QStringLiteral("User"), QStringLiteral("Pass"), QStringLiteral("Server"), QStringLiteral("Port")}, {}, this);
    binding_ = new PrefsRecordBinding(model_, this);
    binding_->setErrorHandler([&session](const QString& message) { ApplicationError(session.port(), message); });

    auto* layout = new QFormLayout(body());
    layout->setContentsMargins(12, 6, 12, 6);
    struct Row {
        const char* caption;
        const char* name;
        const char* column;
    };
    for (const Row& row : {Row{"User", "editProxyUser", "User"}, Row{"Password", "editProxyPass", "Pass"},
                           Row{"Server", "editProxyServer", "Server"}, Row{"Port", "editProxyPort", "Port"}}) {
        auto* edit = new QLineEdit(body());
        edit->setObjectName(QString::fromLatin1(row.name));
        const bool port = qstrcmp(row.column, "Port") == 0;
        if (port)
            edit->setValidator(new QIntValidator(0, 65535, edit));
        layout->addRow(QString::fromLatin1(row.caption), edit);
        // An empty port is no port at all.
        binding_->addEdit(edit, QString::fromLatin1(row.column), port);
    }
}

void PrefsProxyPage::postPending(const QString& table)
{
    if (table == QLatin1String("Proxy"))
        binding_->post();
}

} // namespace pelmora
