#pragma once

#include "Platform/SystemEventSource.h"

#include <string>
#include <vector>

namespace vesperline::platform {

// Plays the session's events on demand; `missing` lists the services it pretends are absent.
class FakeSystemEventSource final : public SystemEventSource {
  public:
    std::vector<std::string> missing;
    int starts = 0;

    void start(std::function<void(SystemEvent)> handler, Unavailable unavailable) override {
        ++starts;
        handler_ = std::move(handler);
        for (const std::string& line : missing) {
            unavailable(line);
        }
    }

    void deliver(SystemEvent event) {
        if (handler_) {
            handler_(event);
        }
    }

  private:
    std::function<void(SystemEvent)> handler_;
};

} // namespace vesperline::platform
