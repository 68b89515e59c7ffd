#include "toolkit/LayoutStore.h"

#include <QFile>
#include <QFileInfo>
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
    QFile::remove(file_);
    QSettings ini(file_, QSettings::IniFormat);
    for (const Component& c : components_) {
        ini.beginGroup(c.name);
        c.save(ini);
        ini.endGroup();
    }
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw std::runtime_error(QStringLiteral("Cannot write file \"%1\"").arg(file_).toStdString());
}

} // namespace pelmora::toolkit
