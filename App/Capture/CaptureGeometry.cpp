#include "Capture/CaptureGeometry.h"

#include <algorithm>

namespace vesperline::CaptureGeometry {

std::uint32_t mainDisplayID(const std::vector<platform::DisplayInfo>& displays) {
    const auto main = std::find_if(displays.begin(), displays.end(),
                                   [](const platform::DisplayInfo& display) { return display.isMain; });
    if (main != displays.end()) {
        return main->id;
    }
    return displays.empty() ? 0 : displays.front().id;
}

std::uint32_t displayForWindow(const std::optional<ostrel::Rect>& frame,
                               const std::vector<platform::DisplayInfo>& displays) {
    if (!frame) {
        return mainDisplayID(displays);
    }
    const double midX = frame->x + frame->width / 2;
    const double midY = frame->y + frame->height / 2;
    for (const platform::DisplayInfo& display : displays) {
        const ostrel::Rect& bounds = display.bounds;
        if (midX >= bounds.minX() && midX < bounds.maxX() && midY >= bounds.minY() && midY < bounds.maxY()) {
            return display.id;
        }
    }
    return mainDisplayID(displays);
}

std::optional<ostrel::RelativeRect> relativeWindowRect(const ostrel::Rect& window,
                                                       const ostrel::Rect& display) {
    if (!(display.width > 0) || !(display.height > 0)) {
        return std::nullopt;
    }
    const ostrel::Rect inter = window.intersection(display);
    if (inter.isEmpty()) {
        return std::nullopt;
    }
    return ostrel::RelativeRect{(inter.minX() - display.minX()) / display.width,
                                (inter.minY() - display.minY()) / display.height, inter.width / display.width,
                                inter.height / display.height};
}

} // namespace vesperline::CaptureGeometry
