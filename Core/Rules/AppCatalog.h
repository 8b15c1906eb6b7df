#pragma once

#include "Rules/AppCategory.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::AppCatalog {

// Application identifiers are compared exactly, letter case included. The built-in lists hold the
// identifiers of each application on both desktop families: reverse-DNS bundle identifiers and the
// Linux desktop-file ids of the same applications. An application installed as a snap, known as
// "<snap>_<application>", is listed when its application part is.

// The category of an application; an absent identifier is `normal`. Media wins over call, call over
// OCR-preferred where the lists overlap.
AppCategory category(std::optional<std::string_view> bundleID);

// Whether the application is a web browser; an absent identifier is none.
bool isBrowser(std::optional<std::string_view> bundleID);

// The messaging applications a user may want kept out of the memory, in the order they are offered:
// WhatsApp, Messages, Telegram, Slack, Discord and Signal by their bundle identifiers, then the
// desktop-file ids the same applications have on Linux (distribution packages, Flatpak, snaps).
const std::vector<std::string>& messagingApps();

} // namespace ostrel::AppCatalog
