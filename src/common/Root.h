#pragma once

#include <QString>

namespace pelmora
{

// The program folder every file of the system is named relative to.
class Root
{
  public:
    // Sets root; a trailing separator is added when missing.
    static void set(const QString& folder);
    // root with a trailing "/".
    static QString path();
    // root + relative.
    static QString file(const QString& relative);
    // The folder of the running executable.
    static QString executableFolder();
};

} // namespace pelmora
