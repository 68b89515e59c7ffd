#include "shell/widgets/PrefsEmailPage.h"

#include "common/ApplicationError.h"
#include "shell/Session.h"
#include "shell/widgets/PrefsRecordBinding.h"
#include "toolkit/SqlTableModel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace pelmora
{

PrefsEmailPage::PrefsEmailPage(Session& session, QWidget* parent)
    : PrefsPage(QStringLiteral("E-mail"), QStringLiteral("Set your outgoing mail server "), parent)
{
    setObjectName(QStringLiteral("pageEmail"));
    model_ = makeTableModel(session.data(), QStringLiteral("Email"),
                            {QStringLiteral("From"), QStringLiteral("Plaintext")}, {}, this);

    auto* layout = new QGridLayout(body());
    layout->setContentsMargins(12, 6, 12, 6);
    from_ = new QLineEdit(body());
    from_->setObjectName(QStringLiteral("editFrom"));
    auto* label = new QLabel(QStringLiteral("From email address"), body());
    label->setObjectName(QStringLiteral("labelFrom"));
    label->setBuddy(from_);
    plainText_ = new QCheckBox(QStringLiteral("send messages as plain-text"), body());
    plainText_->setObjectName(QStringLiteral("checkPlaintext"));
    layout->addWidget(label, 0, 0);
    layout->addWidget(from_, 0, 1);
    layout->addWidget(plainText_, 1, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);

    binding_ = new PrefsRecordBinding(model_, this);
    binding_->addEdit(from_, QStringLiteral("From"));
    binding_->addCheckBox(plainText_, QStringLiteral("Plaintext"));
    binding_->setErrorHandler([&session](const QString& message) { ApplicationError(session.port(), message); });
}

void PrefsEmailPage::postPending(const QString& table)
{
    if (table == QLatin1String("Email"))
        binding_->post();
}

} // namespace pelmora
