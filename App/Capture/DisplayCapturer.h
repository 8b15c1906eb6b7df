#pragma once

#include "Capture/WindowList.h"
#include "Platform/DisplayCapture.h"
#include "Rules/FrameGate.h"
#include "Rules/ScreenWindow.h"
#include "Support/BGRAImage.h"
#include "Support/Time.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace vesperline {

// Receives the samples of one display's stream and keeps only what the recorder needs at its next
// tick: the newest picture and when it came, how much of the screen changed since the recorder last
// looked, the browser windows seen with that picture and with the one before, and a short history of
// per-sample change that tells continuously moving content (video) apart. It decides nothing itself.
//
// Samples arrive on the stream's thread; the recorder reads and consumes on its queue. Every
// operation takes the capturer's lock itself, so reading and consuming the change state is one step
// with respect to a sample arriving. A stopped capturer is not started again.
class DisplayCapturer final : public std::enable_shared_from_this<DisplayCapturer> {
  public:
    // What the recorder takes of the newest picture.
    struct Snapshot {
        std::shared_ptr<const ostrel::BGRAImage> image; // none when there is no picture
        double dirtyFraction = 0;                       // changed share since the last take, at most 1
        double width = 0;
        double height = 0;
        double latestAt = 0; // uptime when the picture arrived
        std::vector<ostrel::ScreenWindow> latestWindows;
        std::optional<std::vector<ostrel::ScreenWindow>> previousWindows;
    };

    struct ChangeState {
        bool changed = false;
        double dirtyAccumulated = 0; // may exceed 1
    };

    // Called when the stream stops by itself, on a thread of the stream's choosing.
    using StopHandler = std::function<void(DisplayCapturer&, const platform::DisplayStreamError&)>;

    static constexpr std::size_t dirtHistoryLength = 64;
    static constexpr double motionWindow = 30.0;
    static constexpr std::size_t motionMinimumEntries = 12;
    // A sample moves when it shows a visible change at all. Measured against a share of the whole
    // display, a terminal that keeps printing counted as moving on a small display and not on a
    // large one; a blinking caret or a ticking clock stays below it.
    static constexpr double motionDirt = ostrel::FrameGate::minimumDirtyFraction;
    static constexpr double motionShare = 0.8;

    static std::shared_ptr<DisplayCapturer> make(std::uint32_t displayID, platform::DisplayCapture& capture,
                                                 WindowList& windowList, const ostrel::Clock& clock);
    DisplayCapturer(const DisplayCapturer&) = delete;
    DisplayCapturer& operator=(const DisplayCapturer&) = delete;
    ~DisplayCapturer();

    std::uint32_t displayID() const { return displayID_; }

    // Set once, before `start`.
    void setOnStop(StopHandler onStop) { onStop_ = std::move(onStop); }

    // Stream management. `start` throws the stream's DisplayStreamError and then keeps nothing.
    void start(const platform::DisplayFilter& filter,
               const platform::DisplayStreamConfiguration& configuration);
    void updateConfiguration(const platform::DisplayStreamConfiguration& configuration);
    void updateFilter(const platform::DisplayFilter& filter);
    // Stops the stream and forgets the frame state (the arrival time of the last picture stays).
    void stop();
    std::optional<platform::DisplayStreamConfiguration> lastConfiguration() const;
    bool isStreaming() const;

    // The newest picture with the change since the last take, which it clears. The picture stays, so
    // a second take returns it again with no change. Empty when there is no picture.
    Snapshot latestFrame();
    // Reads the change state without clearing it.
    ChangeState changeState() const;
    void clearChange();
    // Forgets the picture and the change state; the window lists and the history stay.
    void resetLatest();
    // Whether at least 80% of the 12 or more samples of the last 30 s changed 4% of the screen or more.
    bool isContinuouslyChanging(double now) const;

    // The 64-bit perceptual hash of a picture; 0 for one without pixels.
    static std::uint64_t frameHash(const ostrel::BGRAImageView& image);

    // The stream's deliveries; public so fake streams in tests reach the same code.
    void handleSample(const platform::DisplaySample& sample);
    void handleStop(const platform::DisplayStream* stream, const platform::DisplayStreamError& error);

  private:
    struct Dirt {
        double time = 0;
        double dirt = 0;
    };

    DisplayCapturer(std::uint32_t displayID, platform::DisplayCapture& capture, WindowList& windowList,
                    const ostrel::Clock& clock);
    static double changedFraction(const platform::DisplaySample& sample, double width, double height);

    const std::uint32_t displayID_;
    platform::DisplayCapture& capture_;
    WindowList& windowList_;
    const ostrel::Clock& clock_;
    StopHandler onStop_;

    mutable std::mutex lock_;
    std::shared_ptr<platform::DisplayStream> stream_;
    std::shared_ptr<const ostrel::BGRAImage> latest_;
    double latestAt_ = 0;
    std::vector<ostrel::ScreenWindow> latestWindows_;
    std::optional<std::vector<ostrel::ScreenWindow>> previousWindows_;
    bool hasWindowList_ = false;
    double dirtyAccumulated_ = 0;
    bool changed_ = false;
    std::deque<Dirt> recentDirt_;
    std::optional<platform::DisplayStreamConfiguration> lastConfiguration_;
};

} // namespace vesperline
