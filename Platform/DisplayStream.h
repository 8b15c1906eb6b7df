#pragma once

#include "Platform/DisplayFilter.h"
#include "Platform/DisplaySample.h"
#include "Platform/DisplayStreamConfiguration.h"
#include "Platform/DisplayStreamError.h"

#include <functional>

namespace vesperline::platform {

// A running capture of one display: samples arrive on the stream's own thread, at most one per
// configured interval, and only when something changed. Started once; a stopped stream is not
// started again. Every operation may be called from any thread; `stop` and destruction also from
// inside the stream's own handlers.
class DisplayStream {
  public:
    using Output = std::function<void(const DisplaySample&)>;
    // Called once, on the stream's thread, when the stream stops by itself.
    using StopHandler = std::function<void(const DisplayStreamError&)>;

    virtual ~DisplayStream() = default;

    // Starts delivering to `output`. Throws DisplayStreamError; nothing runs after a failed start.
    virtual void start(const DisplayStreamConfiguration& configuration, const DisplayFilter& filter,
                       Output output, StopHandler onStop) = 0;
    // Takes effect from the next sample; never fails.
    virtual void updateConfiguration(const DisplayStreamConfiguration& configuration) = 0;
    virtual void updateFilter(const DisplayFilter& filter) = 0;
    // Ends the stream; neither handler is called once it returns. Never fails.
    virtual void stop() = 0;
};

} // namespace vesperline::platform
