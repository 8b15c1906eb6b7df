#include "Capture/WindowList.h"

#include "Rules/AppCatalog.h"

namespace vesperline {

WindowList::WindowList(platform::WindowServer& windowServer, platform::Workspace& workspace)
    : windowServer_(windowServer), workspace_(workspace) {}

std::vector<ostrel::ScreenWindow> WindowList::current() {
    std::vector<ostrel::ScreenWindow> windows;
    for (const platform::WindowServerWindow& window : windowServer_.onScreenWindows()) {
        if (!window.pid || !window.frame) {
            continue;
        }
        // A fully transparent window shows nothing; a window without opacity is opaque.
        if (window.alpha && *window.alpha <= 0) {
            continue;
        }
        if (!isBrowserProcess(*window.pid, window.ownerName)) {
            continue;
        }
        std::optional<ostrel::Rect> client;
        if (window.clientFrame && window.clientFrame != window.frame) {
            client = window.clientFrame;
        }
        windows.push_back({window.id, *window.pid, *window.frame, window.title, client});
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
