#include "Platform/Linux/X11WindowActivation.h"

#include "Platform/Linux/ApplicationX11.h"
#include "Platform/Linux/X11Connection.h"

namespace vesperline::platform {

namespace {

// The request's source indication: 1 is an application, 2 a pager or other tool acting for the user.
constexpr std::uint32_t sourcePager = 2;

} // namespace

X11WindowActivation::X11WindowActivation() {
    const ApplicationX11 x11 = applicationX11();
    if (!x11.connection) {
        return;
    }
    connection_ = x11.connection;
    root_ = x11.root;
    activeWindow_ = internAtom(connection_, "_NET_ACTIVE_WINDOW");
    supportingCheck_ = internAtom(connection_, "_NET_SUPPORTING_WM_CHECK");
}

bool X11WindowActivation::windowManagerRuns() {
    const auto reply = x11Reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, root_, supportingCheck_, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    return reply && reply->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(reply.get()) == 4;
}

void X11WindowActivation::activate(std::uintptr_t window) {
    if (!connection_ || window == 0) {
        return;
    }
    const auto target = static_cast<xcb_window_t>(window);
    if (windowManagerRuns()) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = target;
        event.type = activeWindow_;
        event.data.data32[0] = sourcePager;
        event.data.data32[1] = XCB_CURRENT_TIME;
        event.data.data32[2] = XCB_NONE; // no window of ours is active now
        xcb_send_event(connection_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(connection_, target, XCB_CONFIG_WINDOW_STACK_MODE, above);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, target, XCB_CURRENT_TIME);
    }
    xcb_flush(connection_);
}

} // namespace vesperline::platform
