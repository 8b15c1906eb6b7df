#pragma once

namespace vesperline::platform {

// What kind of window the application says it is. `normal` and `dialog` are the ordinary
// application windows; the others are panels, menus and other furniture of the desktop.
enum class WindowType { normal, dialog, utility, toolbar, menu, splash, dock, desktop, notification, other };

} // namespace vesperline::platform
