#pragma once

#include "Platform/WindowServer.h"
#include "Platform/Workspace.h"
#include "Rules/ScreenWindow.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesperline {

// The on-screen windows of browser processes, front to back: what the privacy checks judge and the
// masks are cut from, each with the opaque windows of any application in front of it. Whether a
// process is a browser is looked up once per process and owner name, so a read costs one window-list
// call. Safe to use from several threads at once.
class WindowList {
  public:
    WindowList(platform::WindowServer& windowServer, platform::Workspace& workspace);
    WindowList(const WindowList&) = delete;
    WindowList& operator=(const WindowList&) = delete;

    std::vector<ostrel::ScreenWindow> current();
    bool isBrowserProcess(std::int32_t pid, const std::string& ownerName);

  private:
    // The cache is emptied when it holds this many processes and another is to be added.
    static constexpr std::size_t cacheLimit = 501;

    platform::WindowServer& windowServer_;
    platform::Workspace& workspace_;
    std::mutex mutex_;
    // pid -> (owner name, is a browser); a reused pid with another owner name is looked up again.
    std::unordered_map<std::int32_t, std::pair<std::string, bool>> browserProcesses_;
};

} // namespace vesperline
