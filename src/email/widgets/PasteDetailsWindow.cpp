#include "email/widgets/PasteDetailsWindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pelmora
{

PasteDetailsWindow::PasteDetailsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("pasteDetailsWindow"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("cxMemo1"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo_);
    resize(321, 171);
}

void PasteDetailsWindow::openSmall()
{
    resize(200, 146);
    show();
    raise();
    activateWindow();
}

void PasteDetailsWindow::setText(const QString& text)
{
    // The box shows the lines as an editor does; the clipboard gets the text with its CR LF.
    memo_->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString PasteDetailsWindow::text() const
{
    return memo_->toPlainText();
}

} // namespace pelmora
