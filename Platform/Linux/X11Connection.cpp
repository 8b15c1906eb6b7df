#include "Platform/Linux/X11Connection.h"

#include <xcb/res.h>

#include <cstring>

namespace vesperline::platform {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto reply = x11Reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

std::shared_ptr<X11Connection> X11Connection::open(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::shared_ptr<X11Connection> result(new X11Connection);
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection, &result->ewmh_);
    if (!xcb_ewmh_init_atoms_replies(&result->ewmh_, cookies, nullptr)) {
        xcb_disconnect(connection);
        result->ewmh_.connection = nullptr;
        return nullptr;
    }
    result->root_ = result->ewmh_.screens[screenNumber]->root;
    result->opacity_ = internAtom(connection, "_NET_WM_WINDOW_OPACITY");
    result->gtkApplicationID_ = internAtom(connection, "_GTK_APPLICATION_ID");
    result->kdeDesktopFile_ = internAtom(connection, "_KDE_NET_WM_DESKTOP_FILE");
    result->wmState_ = internAtom(connection, "WM_STATE");
    const xcb_query_extension_reply_t* resources = xcb_get_extension_data(connection, &xcb_res_id);
    result->clientResources_ = resources && resources->present;
    if (result->clientResources_) {
        // The extension answers only clients that said which version they speak.
        std::free(xcb_res_query_version_reply(connection, xcb_res_query_version(connection, 1, 2), nullptr));
    }
    return result;
}

X11Connection::~X11Connection() {
    if (ewmh_.connection) {
        xcb_connection_t* connection = ewmh_.connection;
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(connection);
    }
}

xcb_get_property_cookie_t X11Connection::requestProperty(xcb_window_t window, xcb_atom_t property,
                                                         xcb_atom_t type, std::uint32_t length) {
    return xcb_get_property(connection(), 0, window, property, type, 0, length);
}

std::optional<std::string> X11Connection::stringProperty(xcb_get_property_cookie_t cookie) {
    const auto reply = x11Reply(xcb_get_property_reply(connection(), cookie, nullptr));
    if (!reply || reply->format != 8 || reply->type == XCB_NONE) {
        return std::nullopt;
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       xcb_get_property_value_length(reply.get()));
}

std::vector<std::uint32_t> X11Connection::cardinalsProperty(xcb_get_property_cookie_t cookie) {
    const auto reply = x11Reply(xcb_get_property_reply(connection(), cookie, nullptr));
    if (!reply || reply->format != 32) {
        return {};
    }
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::optional<std::uint32_t> X11Connection::cardinalProperty(xcb_get_property_cookie_t cookie) {
    const auto values = cardinalsProperty(cookie);
    if (values.empty()) {
        return std::nullopt;
    }
    return values.front();
}

std::vector<std::string> X11Connection::stringsProperty(xcb_get_property_cookie_t cookie) {
    std::vector<std::string> strings;
    const auto value = stringProperty(cookie);
    if (!value) {
        return strings;
    }
    std::size_t start = 0;
    while (start < value->size()) {
        const std::size_t end = std::min(value->find('\0', start), value->size());
        strings.push_back(value->substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

} // namespace vesperline::platform
