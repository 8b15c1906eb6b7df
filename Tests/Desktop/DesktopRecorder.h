#pragma once

#include "Capture/FrontmostTracker.h"
#include "Capture/Recorder.h"
#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/TesseractTextRecognizer.h"
#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11DisplayCapture.h"
#include "Platform/Linux/X11Displays.h"
#include "Platform/Linux/X11UserIdle.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"
#include "Store/StoreHub.h"

#include <filesystem>
#include <memory>

namespace vesperline::desktoptest {

// The recorder on the real Linux layer and a real store in `dataFolder`, wired as the application
// wires it. Make and use it on the main thread of a running Qt application.
class DesktopRecorder {
  public:
    explicit DesktopRecorder(const std::filesystem::path& dataFolder);
    ~DesktopRecorder();
    DesktopRecorder(const DesktopRecorder&) = delete;
    DesktopRecorder& operator=(const DesktopRecorder&) = delete;

    // Repairs what an earlier run left open, applies `config` and lifts the stopped block.
    void start(const RecorderConfig& config, Recorder::Events events);

    StoreHub& hub() { return *hub_; }
    Recorder& recorder() { return *recorder_; }
    platform::VideoFiles& videoFiles() { return videoFiles_; }
    // Whether accessibility can be read yet (the bus is found in the background).
    bool accessibilityReady() { return accessibility_.isTrusted(); }

  private:
    std::shared_ptr<platform::X11Connection> x11_;
    platform::X11Displays displays_;
    platform::X11WindowServer windowServer_;
    platform::DesktopFileApplications installed_;
    platform::X11Workspace workspace_;
    platform::X11DisplayCapture capture_;
    platform::AtspiAccessibility accessibility_;
    platform::TesseractTextRecognizer recognizer_;
    platform::X11UserIdle userIdle_;
    platform::FFmpegVideoFiles videoFiles_;
    FrontmostTracker frontmost_;
    std::unique_ptr<StoreHub> hub_;
    std::unique_ptr<Recorder> recorder_;
};

} // namespace vesperline::desktoptest
