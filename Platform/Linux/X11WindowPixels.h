#pragma once

#include "Platform/WindowPixels.h"

#include <xcb/xcb.h>

#include <map>

namespace vesperline::platform {

// Pictures put on X11 with one PutImage request each, on the application's own X connection (so
// they come after Qt's requests for the same window) and without a round trip. Only windows of the
// root's depth with 24-bit colour in 32-bit pixels, red, green and blue from the high byte down, take
// them, which is how Qt's RGB32 images lie in memory on a little-endian server; any other window is
// refused and left to Qt. A window's layout is asked once and remembered.
//
// Needs the xcb platform of Qt; on any other platform every picture is refused.
class X11WindowPixels final : public WindowPixels {
  public:
    X11WindowPixels();
    ~X11WindowPixels() override;
    X11WindowPixels(const X11WindowPixels&) = delete;
    X11WindowPixels& operator=(const X11WindowPixels&) = delete;

    bool put(std::uintptr_t window, QPoint position, const QImage& picture) override;

  private:
    // Whether `window` stores its pixels as RGB32 does.
    bool takesRGB32(xcb_window_t window);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    std::uint8_t rootDepth_ = 0;
    xcb_visualid_t rootVisual_ = 0;
    bool serverTakesRGB32_ = false;
    // Made for the root, and good for every drawable of its depth.
    xcb_gcontext_t context_ = XCB_NONE;
    std::map<xcb_window_t, bool> verdicts_;
};

} // namespace vesperline::platform
