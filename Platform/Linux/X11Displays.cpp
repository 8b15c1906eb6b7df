#include "Platform/Linux/X11Displays.h"

#include "Platform/Linux/X11EventWatcher.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>

namespace vesperline::platform {

X11Displays::X11Displays(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {}

X11Displays::~X11Displays() = default;

void X11Displays::setChangeHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
    if (watcher_) {
        return;
    }
    // RandR's first event number, once the extension is known to be there.
    auto firstEvent = std::make_shared<int>(-1);
    watcher_ = std::make_unique<X11EventWatcher>([this, firstEvent](const X11EventWatcher::Events& events) {
        const bool changed =
            *firstEvent >= 0 && std::any_of(events.begin(), events.end(), [&](const auto& event) {
                const int type = event->response_type & ~0x80;
                return type == *firstEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                       type == *firstEvent + XCB_RANDR_NOTIFY;
            });
        // A burst of changes is one call.
        if (changed && handler_) {
            handler_();
        }
    });
    X11Connection* events = watcher_->x11();
    if (!events) {
        return;
    }
    xcb_connection_t* connection = events->connection();
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!randr || !randr->present) {
        return;
    }
    *firstEvent = randr->first_event;
    // The extension answers only clients that said which version they speak.
    std::free(xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 5), nullptr));
    xcb_randr_select_input(connection, events->root(),
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    xcb_flush(connection);
}

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
