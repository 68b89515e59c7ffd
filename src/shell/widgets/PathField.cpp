#include "shell/widgets/PathField.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace pelmora
{

PathField::PathField(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("pathEdit"));
    browse_ = new QToolButton(this);
    browse_->setObjectName(QStringLiteral("pathBrowse"));
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(kind == Kind::File ? QStringLiteral("Choose the database file")
                                           : QStringLiteral("Choose the folder"));
    layout->addWidget(edit_, 1);
    layout->addWidget(browse_);
    setFocusProxy(edit_);
    connect(browse_, &QToolButton::clicked, this, &PathField::browse);
}

QString PathField::path() const
{
    return edit_->text();
}

void PathField::setPath(const QString& path)
{
    edit_->setText(path);
}

QString PathField::startFolder() const
{
    const QFileInfo current(path());
    if (!path().isEmpty()) {
        if (current.isDir())
            return current.absoluteFilePath();
        if (current.absoluteDir().exists())
            return current.absolutePath();
    }
    return root_;
}

void PathField::browse()
{
    QString chosen;
    if (kind_ == Kind::File)
        chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Active database"), startFolder(),
                                              QStringLiteral("Databases (*.tdbd);;All files (*)"));
    else
        chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Database backup dir."), startFolder());
    if (chosen.isEmpty())
        return;
    setPath(chosen);
    emit pathChosen(chosen);
}

} // namespace pelmora
