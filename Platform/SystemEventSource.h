#pragma once

#include "Platform/SystemEvent.h"

#include <functional>
#include <string>

namespace vesperline::platform {

// Delivers the session's events, on the thread that owns the source, in the order they happen.
class SystemEventSource {
  public:
    using Unavailable = std::function<void(const std::string& line)>;

    virtual ~SystemEventSource() = default;
    // Starts listening and returns without waiting for any service; events go to `handler` from now
    // on. Each service that is not there is told to `unavailable` as one "What failed: description"
    // line, at once or when the session answers; that is not an error: its events never come. Both
    // are called on the source's thread.
    virtual void start(std::function<void(SystemEvent)> handler, Unavailable unavailable) = 0;
};

} // namespace vesperline::platform
