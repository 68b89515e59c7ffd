#pragma once

#include <functional>

namespace pelmora
{

// Fixed waits of the system (the download's pause, the import's 2 s + 2 s) go through here,
// so that tests and pelmora-cli can pass their own. A value: the session holds one.
class Pause
{
  public:
    using Function = std::function<void(int milliseconds, bool processEvents)>;

    // Waits for real.
    Pause() = default;
    explicit Pause(Function function) : function_(std::move(function)) {}
    // Does not wait at all (a script has no window to keep alive).
    static Pause none()
    {
        return Pause([](int, bool) {});
    }

    // Waits milliseconds; with processEvents, window events are handled meanwhile.
    void wait(int milliseconds, bool processEvents) const;

  private:
    Function function_;
};

} // namespace pelmora
