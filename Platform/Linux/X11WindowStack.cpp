#include "Platform/Linux/X11WindowStack.h"

#include "Platform/Linux/X11WindowProcess.h"

#include <cmath>
#include <map>

namespace vesperline::platform {

namespace {

// Frames of window managers hold the client a level or two below them.
constexpr int clientSearchDepth = 3;
// A visual with an alpha channel: a compositor blends the window with what lies below.
constexpr std::uint8_t translucentDepth = 32;
constexpr std::uint32_t fullOpacity = 0xFFFFFFFFu;

bool belowFullOpacity(X11Connection& x11, xcb_get_property_cookie_t cookie) {
    const std::optional<std::uint32_t> opacity = x11.cardinalProperty(cookie);
    return opacity && *opacity != fullOpacity;
}

// The whole pixels a rectangle touches.
QRect pixels(const ostrel::Rect& rect) {
    return QRect(
        QPoint(static_cast<int>(std::floor(rect.minX())), static_cast<int>(std::floor(rect.minY()))),
        QPoint(static_cast<int>(std::ceil(rect.maxX())) - 1, static_cast<int>(std::ceil(rect.maxY())) - 1));
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t* connection, xcb_query_tree_cookie_t cookie) {
    const auto reply = x11Reply(xcb_query_tree_reply(connection, cookie, nullptr));
    if (!reply) {
        return {};
    }
    const xcb_window_t* children = xcb_query_tree_children(reply.get());
    return {children, children + xcb_query_tree_children_length(reply.get())};
}

bool hasProperty(xcb_connection_t* connection, xcb_get_property_cookie_t cookie) {
    const auto reply = x11Reply(xcb_get_property_reply(connection, cookie, nullptr));
    return reply && reply->type != XCB_NONE;
}

// The descendant of each frame that carries WM_STATE, searched level by level, every level of every
// frame in one batch.
std::map<xcb_window_t, xcb_window_t> findClients(X11Connection& x11,
                                                 const std::vector<xcb_window_t>& frames) {
    xcb_connection_t* connection = x11.connection();
    std::map<xcb_window_t, xcb_window_t> clients;
    // (frame, window of the current level)
    std::vector<std::pair<xcb_window_t, xcb_window_t>> level;
    for (xcb_window_t frame : frames) {
        level.emplace_back(frame, frame);
    }
    for (int depth = 0; depth < clientSearchDepth && !level.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        for (const auto& [frame, window] : level) {
            trees.push_back(xcb_query_tree(connection, window));
        }
        std::vector<std::pair<xcb_window_t, xcb_window_t>> next;
        for (std::size_t i = 0; i < level.size(); ++i) {
            for (xcb_window_t child : childrenOf(connection, trees[i])) {
                next.emplace_back(level[i].first, child);
            }
        }
        std::vector<xcb_get_property_cookie_t> states;
        for (const auto& [frame, window] : next) {
            states.push_back(x11.requestProperty(window, x11.wmStateAtom(), XCB_GET_PROPERTY_TYPE_ANY, 1));
        }
        level.clear();
        for (std::size_t i = 0; i < next.size(); ++i) {
            const auto [frame, window] = next[i];
            if (hasProperty(connection, states[i])) {
                clients.emplace(frame, window);
            } else if (!clients.count(frame)) {
                level.push_back(next[i]);
            }
        }
        std::erase_if(level, [&](const auto& entry) { return clients.count(entry.first) > 0; });
    }
    return clients;
}

} // namespace

std::vector<X11StackedWindow> readWindowStack(X11Connection& x11) {
    xcb_connection_t* connection = x11.connection();
    const std::vector<xcb_window_t> children = childrenOf(connection, xcb_query_tree(connection, x11.root()));

    struct Requests {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_get_property_cookie_t state;
        xcb_get_property_cookie_t opacity;
    };
    std::vector<Requests> requests;
    requests.reserve(children.size());
    for (xcb_window_t child : children) {
        requests.push_back({xcb_get_window_attributes(connection, child), xcb_get_geometry(connection, child),
                            x11.requestProperty(child, x11.wmStateAtom(), XCB_GET_PROPERTY_TYPE_ANY, 1),
                            x11.requestProperty(child, x11.opacityAtom(), XCB_ATOM_CARDINAL, 1)});
    }
    std::vector<X11StackedWindow> stack;
    std::vector<xcb_window_t> framed;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const auto attributes =
            x11Reply(xcb_get_window_attributes_reply(connection, requests[i].attributes, nullptr));
        const auto geometry = x11Reply(xcb_get_geometry_reply(connection, requests[i].geometry, nullptr));
        const bool managedItself = hasProperty(connection, requests[i].state);
        const bool translucent = belowFullOpacity(x11, requests[i].opacity);
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY) {
            continue;
        }
        const double border = geometry->border_width;
        X11StackedWindow window;
        window.window = children[i];
        window.client = children[i];
        window.frame = {double(geometry->x), double(geometry->y), geometry->width + 2 * border,
                        geometry->height + 2 * border};
        window.opaque = geometry->depth != translucentDepth && !translucent;
        if (!attributes->override_redirect && !managedItself) {
            framed.push_back(children[i]);
        }
        stack.push_back(window);
    }
    const std::map<xcb_window_t, xcb_window_t> clients = findClients(x11, framed);
    for (X11StackedWindow& window : stack) {
        if (const auto found = clients.find(window.window); found != clients.end()) {
            window.client = found->second;
        }
    }

    struct Owner {
        X11WindowProcessRequest process;
        // Read when the client is not the window itself.
        std::optional<xcb_get_property_cookie_t> clientOpacity;
        std::optional<xcb_get_geometry_cookie_t> clientGeometry;
    };
    std::vector<Owner> owners;
    owners.reserve(stack.size());
    for (const X11StackedWindow& window : stack) {
        Owner owner{requestWindowProcess(x11, window.client), std::nullopt, std::nullopt};
        if (window.client != window.window) {
            owner.clientOpacity = x11.requestProperty(window.client, x11.opacityAtom(), XCB_ATOM_CARDINAL, 1);
            owner.clientGeometry = xcb_get_geometry(connection, window.client);
        }
        owners.push_back(owner);
    }
    for (std::size_t i = 0; i < stack.size(); ++i) {
        stack[i].pid = windowProcess(x11, owners[i].process);
        // Window managers copy a client's opacity to its frame, but not all of them, and a frame may
        // have another visual than the client it holds.
        if (owners[i].clientOpacity && belowFullOpacity(x11, *owners[i].clientOpacity)) {
            stack[i].opaque = false;
        }
        if (owners[i].clientGeometry) {
            const auto geometry =
                x11Reply(xcb_get_geometry_reply(connection, *owners[i].clientGeometry, nullptr));
            if (!geometry || geometry->depth == translucentDepth) {
                stack[i].opaque = false;
            }
        }
    }
    return stack;
}

std::vector<X11VisiblePart> visibleParts(const std::vector<X11StackedWindow>& stack,
                                         const std::function<bool(const X11StackedWindow&)>& toBlank,
                                         const ostrel::Rect& area) {
    std::vector<X11VisiblePart> parts;
    const QRect bounds = pixels(area);
    QRegion covered;
    for (auto window = stack.rbegin(); window != stack.rend(); ++window) {
        const QRect frame = pixels(window->frame);
        if (toBlank(*window)) {
            const QRegion shown = QRegion(frame.intersected(bounds)).subtracted(covered);
            if (!shown.isEmpty()) {
                parts.push_back({window->window, shown});
            }
        }
        if (window->opaque) {
            covered += frame;
        }
    }
    return parts;
}

} // namespace vesperline::platform
