#pragma once

#include "Platform/Linux/X11Connection.h"
#include "Support/Rect.h"

#include <QRegion>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vesperline::platform {

// One window on screen as the X server stacks it: a child of the root that is shown, with its
// owner. Unlike the window manager's client list this holds every mapped window, override-redirect
// menus, tooltips and pop-ups included.
struct X11StackedWindow {
    // The child of the root: the window manager's frame around a managed window.
    xcb_window_t window = XCB_NONE;
    // The application's own window inside the frame (the window itself when it has no frame).
    xcb_window_t client = XCB_NONE;
    // Global screen coordinates of the whole window, decorations and border included.
    ostrel::Rect frame;
    // The process that made the client window; absent when the server cannot tell.
    std::optional<std::int32_t> pid;
    // Whether it hides what lies below it: not when a compositor may draw it translucent (a 32-bit
    // visual, or an opacity below full on the frame or the client).
    bool opaque = true;

    bool operator==(const X11StackedWindow&) const = default;
};

// The part of a window to blank that shows on screen.
struct X11VisiblePart {
    xcb_window_t window = XCB_NONE;
    // Global screen coordinates.
    QRegion region;

    bool operator==(const X11VisiblePart&) const = default;
};

// The shown children of the root, bottom to top, each with its client and owning process (the
// process of the client window, `windowProcess`). Requests are sent in batches, so a read costs
// a few round trips whatever the number of windows. Empty when the tree cannot be read.
std::vector<X11StackedWindow> readWindowStack(X11Connection& x11);

// What shows of the windows `toBlank` picks from `stack` (bottom to top) within `area`: each one's
// frame less the frames of the opaque windows above it, top window first. A window in front stays
// whole: it is what the user works in. Windows of which nothing shows are left out.
std::vector<X11VisiblePart> visibleParts(const std::vector<X11StackedWindow>& stack,
                                         const std::function<bool(const X11StackedWindow&)>& toBlank,
                                         const ostrel::Rect& area);

} // namespace vesperline::platform
