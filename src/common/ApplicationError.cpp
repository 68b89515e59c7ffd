#include "common/ApplicationError.h"

#include "common/ErrorLog.h"

namespace pelmora
{

void ApplicationError(UserPort& port, const QString& message)
{
    port.setStatus(kApplicationErrorStatus);
    LogError(message, QStringLiteral(" application error"));
}

} // namespace pelmora
