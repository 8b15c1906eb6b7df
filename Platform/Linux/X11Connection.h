#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesperline::platform {

// A reply of the X server, freed when it goes out of scope.
template <typename Reply> using X11Reply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> X11Reply<Reply> x11Reply(Reply* reply) {
    return X11Reply<Reply>(reply, &std::free);
}

// The atom of `name`, interned on `connection` (a round trip); none when the server refuses.
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name);

// One connection to the X server with the EWMH atoms interned, shared by the readers of windows,
// displays and idle time. libxcb is thread-safe, so every reader may use it from any thread.
class X11Connection {
  public:
    // Opens the display named by $DISPLAY (or `display`, as ":1" names one); null when there is none
    // we can read.
    static std::shared_ptr<X11Connection> open(const char* display = nullptr);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* connection() const { return ewmh_.connection; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    xcb_window_t root() const { return root_; }

    // Atoms EWMH leaves out.
    xcb_atom_t opacityAtom() const { return opacity_; }
    xcb_atom_t gtkApplicationIDAtom() const { return gtkApplicationID_; }
    xcb_atom_t kdeDesktopFileAtom() const { return kdeDesktopFile_; }
    // Set by the window manager on every client window it manages (ICCCM).
    xcb_atom_t wmStateAtom() const { return wmState_; }
    // Whether the server tells which process made a window (the X-Resource extension). A request of
    // an extension the server lacks would close the connection.
    bool hasClientResources() const { return clientResources_; }

    // Sends a property read now; collect it later with one of the readers below, so a batch of reads
    // costs one round trip.
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                              std::uint32_t length = 4096);
    std::optional<std::string> stringProperty(xcb_get_property_cookie_t cookie);
    std::optional<std::uint32_t> cardinalProperty(xcb_get_property_cookie_t cookie);
    std::vector<std::uint32_t> cardinalsProperty(xcb_get_property_cookie_t cookie);
    // The strings of a list property such as WM_CLASS (NUL-separated).
    std::vector<std::string> stringsProperty(xcb_get_property_cookie_t cookie);

  private:
    X11Connection() = default;

    xcb_ewmh_connection_t ewmh_{};
    xcb_window_t root_ = XCB_NONE;
    xcb_atom_t opacity_ = XCB_NONE;
    xcb_atom_t gtkApplicationID_ = XCB_NONE;
    xcb_atom_t kdeDesktopFile_ = XCB_NONE;
    xcb_atom_t wmState_ = XCB_NONE;
    bool clientResources_ = false;
};

} // namespace vesperline::platform
