#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <vector>

namespace pelmora::toolkit
{

// The layout property store: components register how they write and read their properties,
// and the store saves them to or restores them from one INI file, a group per component.
class LayoutStore
{
  public:
    using Save = std::function<void(QSettings&)>;
    using Restore = std::function<void(const QSettings&)>;

    void add(const QString& component, Save save, Restore restore);

    void setFile(const QString& path) { file_ = path; }
    QString file() const { return file_; }

    // Restores every registered component that the file holds. Throws std::runtime_error
    // when the file is missing or unreadable.
    void restore() const;
    // Recreates the file with every component's properties: they are written to a temporary
    // file beside it, which then replaces the file, so a failure (a component that throws, a
    // full disk) leaves the previous file as it was. Throws when it cannot be written.
    void store() const;

  private:
    struct Component {
        QString name;
        Save save;
        Restore restore;
    };
    std::vector<Component> components_;
    QString file_;
};

} // namespace pelmora::toolkit
