#pragma once

#include "Support/Time.h"

#include <QUrl>

#include <cstdint>
#include <functional>
#include <vector>

namespace vesperline {

// What the moment view asks of the rest of the application. The screen that embeds the view fills
// it from the app model; every callback runs on the main thread.
struct MomentActions {
    // Shows the moment in the main window's timeline.
    std::function<void(std::int64_t frameID, ostrel::Time timestamp)> openTimeline;
    // Deletes the moments; `done` runs on the main thread once the deletion is over, whatever came
    // of it.
    std::function<void(std::vector<std::int64_t> frameIDs, std::function<void()> done)> deleteFrames;
    // Opens a web address with the desktop's handler.
    std::function<void(const QUrl& url)> openURL = openWithDesktop;

    static void openWithDesktop(const QUrl& url);
};

} // namespace vesperline
