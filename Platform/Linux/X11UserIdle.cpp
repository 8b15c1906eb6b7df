#include "Platform/Linux/X11UserIdle.h"

#include <xcb/screensaver.h>

namespace vesperline::platform {

X11UserIdle::X11UserIdle(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {}

std::optional<double> X11UserIdle::secondsSinceLastInput() {
    xcb_connection_t* connection = x11_->connection();
    const auto reply = x11Reply(xcb_screensaver_query_info_reply(
        connection, xcb_screensaver_query_info(connection, x11_->root()), nullptr));
    if (!reply) {
        return std::nullopt;
    }
    return reply->ms_since_user_input / 1000.0;
}

} // namespace vesperline::platform
