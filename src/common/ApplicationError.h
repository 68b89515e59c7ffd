#pragma once

#include "common/UserPort.h"

#include <QString>
#include <exception>

namespace pelmora
{

inline const QString kApplicationErrorStatus = QStringLiteral("No matches found. All orders shown");

// The handler of every error that nothing else caught: the status text, then the log line.
void ApplicationError(UserPort& port, const QString& message);

// Runs a command; whatever escapes it goes to ApplicationError. Returns whether it completed.
template <typename Work> bool RunCommand(UserPort& port, Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const std::exception& e) {
        ApplicationError(port, QString::fromStdString(e.what()));
    } catch (...) {
        ApplicationError(port, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace pelmora
