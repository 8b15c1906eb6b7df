#include "Platform/Linux/X11Displays.h"

#include <xcb/randr.h>

namespace vesperline::platform {

X11Displays::X11Displays(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {}

std::vector<DisplayInfo> X11Displays::displays() {
    xcb_connection_t* connection = x11_->connection();
    const auto reply = x11Reply(xcb_randr_get_monitors_reply(
        connection, xcb_randr_get_monitors(connection, x11_->root(), 1), nullptr));
    std::vector<DisplayInfo> result;
    if (!reply) {
        return result;
    }
    std::vector<xcb_get_atom_name_cookie_t> names;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t& monitor = *it.data;
        // The monitor's name atom stays the same for as long as the server runs.
        result.push_back(
            {monitor.name,
             {double(monitor.x), double(monitor.y), double(monitor.width), double(monitor.height)},
             {},
             monitor.primary != 0});
        names.push_back(xcb_get_atom_name(connection, monitor.name));
    }
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (const auto name = x11Reply(xcb_get_atom_name_reply(connection, names[i], nullptr))) {
            result[i].name.assign(xcb_get_atom_name_name(name.get()),
                                  xcb_get_atom_name_name_length(name.get()));
        }
    }
    // Without a primary monitor the first one is main, so a main display always exists.
    bool hasMain = false;
    for (DisplayInfo& display : result) {
        display.isMain = display.isMain && !hasMain;
        hasMain = hasMain || display.isMain;
    }
    if (!hasMain && !result.empty()) {
        result.front().isMain = true;
    }
    return result;
}

} // namespace vesperline::platform
