#pragma once

#include "Platform/Linux/X11Connection.h"
#include "Platform/UserIdle.h"

#include <memory>

namespace vesperline::platform {

// Idle time from the MIT-SCREEN-SAVER extension: the server's own count since the last input.
class X11UserIdle final : public UserIdle {
  public:
    explicit X11UserIdle(std::shared_ptr<X11Connection> x11);
    std::optional<double> secondsSinceLastInput() override;

  private:
    std::shared_ptr<X11Connection> x11_;
};

} // namespace vesperline::platform
