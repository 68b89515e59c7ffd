#pragma once

#include "toolkit/MessageText.h"

#include <QString>

namespace pelmora
{

// What an operation throws when it fails; the guard that catches it logs what().
class Error : public toolkit::MessageError
{
  public:
    explicit Error(const QString& message) : MessageError(message) {}
};

using toolkit::messageOf;

} // namespace pelmora
