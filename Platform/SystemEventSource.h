#pragma once

#include "Platform/SystemEvent.h"

#include <functional>
#include <string>
#include <vector>

namespace vesperline::platform {

// Delivers the session's events, on the thread that owns the source, in the order they happen.
class SystemEventSource {
  public:
    virtual ~SystemEventSource() = default;
    // Starts listening; events go to `handler` from now on. Returns one "What failed: description"
    // line for each service that is not there, which is not an error: its events never come.
    virtual std::vector<std::string> start(std::function<void(SystemEvent)> handler) = 0;
};

} // namespace vesperline::platform
