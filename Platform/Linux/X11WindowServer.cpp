#include "Platform/Linux/X11WindowServer.h"

#include "Platform/Linux/X11WindowProcess.h"

#include <algorithm>
#include <limits>

namespace vesperline::platform {

namespace {

struct WindowRequests {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t netName, name, type, state, opacity, extents, windowClass;
    X11WindowProcessRequest process;
};

std::string ownerNameOf(const std::vector<std::string>& windowClass) {
    if (windowClass.size() >= 2 && !windowClass[1].empty()) {
        return windowClass[1];
    }
    return windowClass.empty() ? std::string() : windowClass[0];
}

} // namespace

X11WindowServer::X11WindowServer(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {}

WindowType X11WindowServer::typeOf(const std::vector<std::uint32_t>& types) const {
    const xcb_ewmh_connection_t& ewmh = *x11_->ewmh();
    const std::pair<xcb_atom_t, WindowType> known[] = {
        {ewmh._NET_WM_WINDOW_TYPE_NORMAL, WindowType::normal},
        {ewmh._NET_WM_WINDOW_TYPE_DIALOG, WindowType::dialog},
        {ewmh._NET_WM_WINDOW_TYPE_UTILITY, WindowType::utility},
        {ewmh._NET_WM_WINDOW_TYPE_TOOLBAR, WindowType::toolbar},
        {ewmh._NET_WM_WINDOW_TYPE_MENU, WindowType::menu},
        {ewmh._NET_WM_WINDOW_TYPE_DROPDOWN_MENU, WindowType::menu},
        {ewmh._NET_WM_WINDOW_TYPE_POPUP_MENU, WindowType::menu},
        {ewmh._NET_WM_WINDOW_TYPE_SPLASH, WindowType::splash},
        {ewmh._NET_WM_WINDOW_TYPE_DOCK, WindowType::dock},
        {ewmh._NET_WM_WINDOW_TYPE_DESKTOP, WindowType::desktop},
        {ewmh._NET_WM_WINDOW_TYPE_NOTIFICATION, WindowType::notification},
    };
    // The first type the window lists that we know wins; a window that lists none is normal.
    for (std::uint32_t type : types) {
        for (const auto& [atom, windowType] : known) {
            if (atom == type) {
                return windowType;
            }
        }
    }
    return types.empty() ? WindowType::normal : WindowType::other;
}

std::vector<WindowServerWindow> X11WindowServer::onScreenWindows() {
    X11Connection& x11 = *x11_;
    xcb_connection_t* connection = x11.connection();
    xcb_ewmh_connection_t& ewmh = *x11.ewmh();
    // Bottom to top, as the window manager keeps it.
    std::vector<std::uint32_t> stacking =
        x11.cardinalsProperty(x11.requestProperty(x11.root(), ewmh._NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW,
                                                  std::numeric_limits<std::uint32_t>::max() / 4));
    std::reverse(stacking.begin(), stacking.end());

    std::vector<WindowRequests> requests;
    requests.reserve(stacking.size());
    for (xcb_window_t window : stacking) {
        requests.push_back({window, xcb_get_window_attributes(connection, window),
                            xcb_get_geometry(connection, window),
                            xcb_translate_coordinates(connection, window, x11.root(), 0, 0),
                            x11.requestProperty(window, ewmh._NET_WM_NAME, ewmh.UTF8_STRING),
                            x11.requestProperty(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY),
                            x11.requestProperty(window, ewmh._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM),
                            x11.requestProperty(window, ewmh._NET_WM_STATE, XCB_ATOM_ATOM),
                            x11.requestProperty(window, x11.opacityAtom(), XCB_ATOM_CARDINAL),
                            x11.requestProperty(window, ewmh._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL),
                            x11.requestProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                            requestWindowProcess(x11, window)});
    }

    std::vector<WindowServerWindow> windows;
    for (WindowRequests& request : requests) {
        const auto attributes =
            x11Reply(xcb_get_window_attributes_reply(connection, request.attributes, nullptr));
        const auto geometry = x11Reply(xcb_get_geometry_reply(connection, request.geometry, nullptr));
        const auto origin = x11Reply(xcb_translate_coordinates_reply(connection, request.origin, nullptr));
        auto netName = x11.stringProperty(request.netName);
        auto name = x11.stringProperty(request.name);
        const auto pid = windowProcess(x11, request.process);
        const auto types = x11.cardinalsProperty(request.type);
        const auto states = x11.cardinalsProperty(request.state);
        const auto opacity = x11.cardinalProperty(request.opacity);
        const auto extents = x11.cardinalsProperty(request.extents);
        const auto windowClass = x11.stringsProperty(request.windowClass);

        // Windows on other desktops are unmapped by the window manager; minimised ones are hidden.
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            std::find(states.begin(), states.end(), ewmh._NET_WM_STATE_HIDDEN) != states.end()) {
            continue;
        }
        const WindowType type = typeOf(types);
        if (type == WindowType::desktop) {
            continue;
        }
        WindowServerWindow window;
        window.id = request.window;
        window.pid = pid;
        if (geometry && origin) {
            double left = 0, right = 0, top = 0, bottom = 0;
            if (extents.size() == 4) {
                left = extents[0], right = extents[1], top = extents[2], bottom = extents[3];
            }
            window.frame = ostrel::Rect{origin->dst_x - left, origin->dst_y - top,
                                        geometry->width + left + right, geometry->height + top + bottom};
            window.clientFrame = ostrel::Rect{double(origin->dst_x), double(origin->dst_y),
                                              double(geometry->width), double(geometry->height)};
        }
        if (opacity) {
            window.alpha = *opacity / double(std::numeric_limits<std::uint32_t>::max());
        }
        window.type = type;
        window.ownerName = ownerNameOf(windowClass);
        // xterm and other old clients set only WM_NAME.
        window.title = netName ? std::move(netName) : std::move(name);
        windows.push_back(std::move(window));
    }
    return windows;
}

} // namespace vesperline::platform
