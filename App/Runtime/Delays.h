#pragma once

#include <QObject>

#include <functional>

namespace vesperline {

// Waits on the main thread, for logic that paces itself (a replay, a retry); tests hand in waits
// they step through by hand instead of sleeping.
class Delays {
  public:
    virtual ~Delays() = default;
    // Calls `block` on the main thread once `seconds` have passed, never inside this call; nothing is
    // called when `receiver` is destroyed first.
    virtual void after(double seconds, QObject* receiver, std::function<void()> block) = 0;
    // The same for a wait that may end up to `leeway` seconds late, so the system can wake the
    // program for it together with other work; as precise as `after` unless overridden.
    virtual void afterWithin(double seconds, double leeway, QObject* receiver, std::function<void()> block) {
        (void)leeway;
        after(seconds, receiver, std::move(block));
    }
};

// Waits on Qt's precise timers, shared by the whole program.
Delays& systemDelays();

} // namespace vesperline
