#include "Platform/Linux/X11WindowPixels.h"

#include "Platform/Linux/ApplicationX11.h"
#include "Platform/Linux/X11Connection.h"

namespace vesperline::platform {

namespace {

// Windows remembered at most; ours come and go with the main window.
constexpr std::size_t rememberedWindows = 64;

} // namespace

X11WindowPixels::X11WindowPixels() {
    const ApplicationX11 x11 = applicationX11();
    if (!x11.connection || x11.root == XCB_NONE) {
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(x11.connection);
    for (auto roots = xcb_setup_roots_iterator(setup); roots.rem; xcb_screen_next(&roots)) {
        if (roots.data->root != x11.root) {
            continue;
        }
        rootDepth_ = roots.data->root_depth;
        rootVisual_ = roots.data->root_visual;
        for (auto depths = xcb_screen_allowed_depths_iterator(roots.data); depths.rem;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t& visual = *visuals.data;
                if (visual.visual_id == rootVisual_) {
                    serverTakesRGB32_ = visual._class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                                        visual.red_mask == 0xff0000 && visual.green_mask == 0xff00 &&
                                        visual.blue_mask == 0xff;
                }
            }
        }
    }
    bool thirtyTwoBits = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
        if (formats.data->depth == rootDepth_ && formats.data->bits_per_pixel == 32) {
            thirtyTwoBits = true;
        }
    }
    serverTakesRGB32_ = serverTakesRGB32_ && rootDepth_ == 24 && thirtyTwoBits &&
                        setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (!serverTakesRGB32_) {
        return;
    }
    connection_ = x11.connection;
    root_ = x11.root;
    context_ = xcb_generate_id(connection_);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(connection_, context_, root_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
}

X11WindowPixels::~X11WindowPixels() {
    if (connection_ && !xcb_connection_has_error(connection_)) {
        xcb_free_gc(connection_, context_);
        xcb_flush(connection_);
    }
}

bool X11WindowPixels::takesRGB32(xcb_window_t window) {
    if (const auto known = verdicts_.find(window); known != verdicts_.end()) {
        return known->second;
    }
    const auto geometry =
        x11Reply(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    const auto attributes = x11Reply(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    // A window of another depth or visual (a translucent one) lays its pixels out otherwise.
    const bool takes = geometry && attributes && geometry->depth == rootDepth_ && geometry->root == root_ &&
                       attributes->visual == rootVisual_;
    if (verdicts_.size() >= rememberedWindows) {
        verdicts_.clear();
    }
    verdicts_[window] = takes;
    return takes;
}

bool X11WindowPixels::put(std::uintptr_t window, QPoint position, const QImage& picture) {
    if (!connection_ || window == 0 || picture.isNull() || picture.format() != QImage::Format_RGB32) {
        return false;
    }
    const auto target = static_cast<xcb_window_t>(window);
    const std::size_t bytes = static_cast<std::size_t>(picture.sizeInBytes());
    // One request, with room for its header; a picture this small never comes near the limit.
    const std::size_t limit = std::size_t(xcb_get_maximum_request_length(connection_)) * 4;
    if (bytes + 64 > limit || !takesRGB32(target)) {
        return false;
    }
    xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, target, context_,
                  static_cast<std::uint16_t>(picture.width()), static_cast<std::uint16_t>(picture.height()),
                  static_cast<std::int16_t>(position.x()), static_cast<std::int16_t>(position.y()), 0,
                  rootDepth_, static_cast<std::uint32_t>(bytes), picture.constBits());
    xcb_flush(connection_);
    return true;
}

} // namespace vesperline::platform
