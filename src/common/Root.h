#pragma once

#include <QString>

namespace pelmora
{

// The program folder every file of the system is named relative to. A value: the session
// holds one and hands it to whatever names files.
class Root
{
  public:
    // folder gets a trailing separator when it has none.
    explicit Root(const QString& folder);

    // root with a trailing "/".
    const QString& path() const { return path_; }
    // root + relative.
    QString file(const QString& relative) const { return path_ + relative; }
    // The folder of the running executable.
    static QString executableFolder();

  private:
    QString path_;
};

} // namespace pelmora
