#include "common/Root.h"

#include <QCoreApplication>
#include <QDir>

namespace pelmora
{

namespace
{
QString& rootFolder()
{
    static QString folder;
    return folder;
}
} // namespace

void Root::set(const QString& folder)
{
    QString f = QDir::fromNativeSeparators(folder);
    if (!f.endsWith('/'))
        f += '/';
    rootFolder() = f;
}

QString Root::path()
{
    if (rootFolder().isEmpty())
        set(executableFolder());
    return rootFolder();
}

QString Root::file(const QString& relative)
{
    return path() + relative;
}

QString Root::executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace pelmora
