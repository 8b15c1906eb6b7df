#include "Capture/WindowList.h"

#include "Rules/AppCatalog.h"

namespace vesperline {

WindowList::WindowList(platform::WindowServer& windowServer, platform::Workspace& workspace)
    : windowServer_(windowServer), workspace_(workspace) {}

std::vector<ostrel::ScreenWindow> WindowList::current() {
    std::vector<ostrel::ScreenWindow> windows;
    // Of the windows met so far, front to back, those that hide what lies behind them.
    std::vector<ostrel::Rect> opaqueInFront;
    for (const platform::WindowServerWindow& window : windowServer_.onScreenWindows()) {
        if (!window.frame) {
            continue;
        }
        // A fully transparent window shows nothing; a window without opacity is opaque.
        const bool opaque = !window.alpha || *window.alpha >= 1;
        const bool shows = !window.alpha || *window.alpha > 0;
        if (window.pid && shows && isBrowserProcess(*window.pid, window.ownerName)) {
            std::optional<ostrel::Rect> client;
            if (window.clientFrame && window.clientFrame != window.frame) {
                client = window.clientFrame;
            }
            std::vector<ostrel::Rect> covering;
            for (const ostrel::Rect& front : opaqueInFront) {
                if (front.intersects(*window.frame)) {
                    covering.push_back(front);
                }
            }
            windows.push_back(
                {window.id, *window.pid, *window.frame, window.title, client, std::move(covering)});
        }
        if (opaque) {
            opaqueInFront.push_back(*window.frame);
        }
    }
    return windows;
}

bool WindowList::isBrowserProcess(std::int32_t pid, const std::string& ownerName) {
    {
        std::lock_guard lock(mutex_);
        const auto known = browserProcesses_.find(pid);
        if (known != browserProcesses_.end() && known->second.first == ownerName) {
            return known->second.second;
        }
    }
    // Outside the lock: two threads may look up the same process; both store the same answer.
    const auto application = workspace_.runningApplication(pid);
    const bool browser = ostrel::AppCatalog::isBrowser(application ? application->bundleID : std::nullopt);
    std::lock_guard lock(mutex_);
    if (browserProcesses_.size() >= cacheLimit) {
        browserProcesses_.clear();
    }
    browserProcesses_[pid] = {ownerName, browser};
    return browser;
}

} // namespace vesperline
