#pragma once

#include "Platform/DisplayStream.h"
#include "Platform/Linux/ProcessApplications.h"

#include <cstdint>
#include <memory>
#include <thread>

namespace vesperline::platform {

// One RandR monitor captured on a thread of its own ("capture.<id>") over a connection of its own.
// Every interval it takes the damage the server recorded (DAMAGE, read through XFIXES) and clips it
// to the monitor: no damage, no sample; nor when all of it lies behind blanks that stand as in the
// last sample (our own window animating). Otherwise it grabs the monitor through MIT-SHM, blanks what
// shows of every window of an excluded application or process (X11 cannot leave windows out of a
// grab; the parts that opaque windows above hide stay as they are), scales the picture to the
// configured size and delivers it with its changed rectangles.
//
// Privacy fails closed: the windows are read before and after the grab, and when a window to blank,
// or one above it, appeared, moved or changed its place in the stack meanwhile the sample is dropped
// (its damage is kept for the next one). A window that may be drawn translucent hides nothing. A
// RandR change or a lost connection stops the stream with an error.
class X11DisplayStream final : public DisplayStream {
  public:
    X11DisplayStream(std::uint32_t displayID, ProcessApplications& applications);
    ~X11DisplayStream() override;
    X11DisplayStream(const X11DisplayStream&) = delete;
    X11DisplayStream& operator=(const X11DisplayStream&) = delete;

    void start(const DisplayStreamConfiguration& configuration, const DisplayFilter& filter, Output output,
               StopHandler onStop) override;
    void updateConfiguration(const DisplayStreamConfiguration& configuration) override;
    void updateFilter(const DisplayFilter& filter) override;
    void stop() override;

  private:
    struct State;

    const std::uint32_t displayID_;
    ProcessApplications& applications_;
    // Shared with the thread, which may outlive this object when it is destroyed from a handler.
    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace vesperline::platform
