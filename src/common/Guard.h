#pragma once

#include "common/Error.h"
#include "common/ErrorLog.h"

#include <QString>
#include <exception>
#include <functional>

namespace pelmora
{

// Runs work; whatever it throws is written to the error log as
// date-time ": " message suffix. Returns whether the work completed.
template <typename Work> bool Guard(const QString& suffix, Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const std::exception& e) {
        LogError(messageOf(e), suffix);
    } catch (...) {
        LogError(QStringLiteral("Unknown error"), suffix);
    }
    return false;
}

// Runs work; whatever it throws is handed to onError with its message.
template <typename Work> bool GuardWith(const std::function<void(const QString&)>& onError, Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const std::exception& e) {
        onError(messageOf(e));
    } catch (...) {
        onError(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace pelmora
