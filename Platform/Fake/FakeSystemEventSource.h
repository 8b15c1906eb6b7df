#pragma once

#include "Platform/SystemEventSource.h"

namespace vesperline::platform {

// Plays the session's events on demand; `missing` lists the services it pretends are absent.
class FakeSystemEventSource final : public SystemEventSource {
  public:
    std::vector<std::string> missing;
    int starts = 0;

    std::vector<std::string> start(std::function<void(SystemEvent)> handler) override {
        ++starts;
        handler_ = std::move(handler);
        return missing;
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
