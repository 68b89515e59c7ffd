#include "toolkit/LayoutStore.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <stdexcept>

namespace pelmora::toolkit
{

void LayoutStore::add(const QString& component, Save save, Restore restore)
{
    components_.push_back(Component{component, std::move(save), std::move(restore)});
}

void LayoutStore::restore() const
{
    if (!QFileInfo(file_).isFile())
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". The file does not exist").arg(file_).toStdString());
    QSettings ini(file_, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read file \"%1\"").arg(file_).toStdString());
    for (const Component& c : components_) {
        if (!ini.childGroups().contains(c.name))
            continue;
        ini.beginGroup(c.name);
        c.restore(ini);
        ini.endGroup();
    }
}

void LayoutStore::store() const
{
    const QString temporary = file_ + QStringLiteral(".tmp");
    // A failure removes the temporary file and leaves the real one as it was.
    struct Leftover {
        const QString& path;
        bool keep = false;
        ~Leftover()
        {
            if (!keep)
                QFile::remove(path);
        }
    } leftover{temporary};
    QFile::remove(temporary);
    {
        QSettings ini(temporary, QSettings::IniFormat);
        for (const Component& c : components_) {
            ini.beginGroup(c.name);
            c.save(ini);
            ini.endGroup();
        }
        ini.sync();
        // Nothing to write still makes a file (an empty one).
        QFile empty(temporary);
        const bool written =
            ini.status() == QSettings::NoError && (QFileInfo(temporary).isFile() || empty.open(QIODevice::WriteOnly));
        if (!written)
            throw std::runtime_error(QStringLiteral("Cannot write file \"%1\"").arg(temporary).toStdString());
    }
    // Replaces the file in one step.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()),
                            std::filesystem::path(file_.toStdU16String()), error);
    if (error)
        throw std::runtime_error(QStringLiteral("Cannot write file \"%1\". %2")
                                     .arg(file_, QString::fromLocal8Bit(error.message().c_str()))
                                     .toStdString());
    leftover.keep = true;
}

} // namespace pelmora::toolkit
