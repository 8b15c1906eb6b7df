#pragma once

#include "Platform/DisplayInfo.h"
#include "Storage/RelativeRect.h"
#include "Support/Rect.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vesperline::CaptureGeometry {

// The main display's id; 0 when there are no displays.
std::uint32_t mainDisplayID(const std::vector<platform::DisplayInfo>& displays);

// The display holding the window's midpoint; the main display when the frame is absent or its
// midpoint lies on no display. A window belongs where its middle is, even when most of it lies on
// another display.
std::uint32_t displayForWindow(const std::optional<ostrel::Rect>& frame,
                               const std::vector<platform::DisplayInfo>& displays);

// The visible part of a window inside a display, in fractions of the display from its top left;
// absent when the display has no area or the window does not overlap it.
std::optional<ostrel::RelativeRect> relativeWindowRect(const ostrel::Rect& window,
                                                       const ostrel::Rect& display);

} // namespace vesperline::CaptureGeometry
