#include "Platform/Linux/ApplicationX11.h"

#include <QGuiApplication>

#include <cstdlib>

namespace vesperline::platform {

namespace {

xcb_window_t rootWindow(xcb_connection_t* connection) {
    // The screen named by $DISPLAY, as xcb_connect picks it.
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) {
        std::free(host);
    } else {
        screen = 0;
    }
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && roots.rem > 1; ++i) {
        xcb_screen_next(&roots);
    }
    return roots.rem > 0 ? roots.data->root : XCB_NONE;
}

} // namespace

ApplicationX11 applicationX11() {
    const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const auto* x11 =
        application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return {};
    }
    return {x11->connection(), rootWindow(x11->connection())};
}

} // namespace vesperline::platform
