#include "common/Root.h"

#include <QCoreApplication>
#include <QDir>

namespace pelmora
{

Root::Root(const QString& folder) : path_(QDir::fromNativeSeparators(folder))
{
    if (!path_.endsWith('/'))
        path_ += '/';
}

QString Root::executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace pelmora
