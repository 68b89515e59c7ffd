#pragma once

#include <QString>
#include <stdexcept>

namespace pelmora
{

// What an operation throws when it fails; the guard that catches it logs what().
class Error : public std::runtime_error
{
  public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace pelmora
