#pragma once

#include <functional>

namespace pelmora
{

// Fixed waits of the system (the download's pause, the import's 2 s + 2 s) go through here,
// so that tests and pelmora-cli can replace them.
class Pause
{
  public:
    using Function = std::function<void(int milliseconds, bool processEvents)>;

    // Waits milliseconds; with processEvents, window events are handled meanwhile.
    static void wait(int milliseconds, bool processEvents);
    // Replaces the wait (an empty function restores the real one). Returns the previous one.
    static Function set(Function function);
};

} // namespace pelmora
