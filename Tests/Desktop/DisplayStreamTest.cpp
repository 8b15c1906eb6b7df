// A real capture stream of the Xvfb monitor: what it delivers, when, and what it blanks.
#include "DesktopSession.h"

#include "Capture/DisplayCapturer.h"
#include "Capture/WindowList.h"
#include "Platform/Linux/DesktopFileApplications.h"
#include "Platform/Linux/X11DisplayCapture.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Platform/Linux/X11Workspace.h"
#include "Rules/FrameMasker.h"
#include "Runtime/SystemClock.h"

#include <QColor>

#include <mutex>

namespace vesperline::platform {
namespace {

using desktoptest::FixtureApp;
using desktoptest::launchedAs;
using desktoptest::waitUntil;

// What a stream delivered, read by the test thread while the stream's thread adds to it.
class Samples {
  public:
    DisplayStream::Output output() {
        return [this](const DisplaySample& sample) {
            std::lock_guard lock(mutex_);
            samples_.push_back(sample);
        };
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return samples_.size();
    }
    std::optional<DisplaySample> last() const {
        std::lock_guard lock(mutex_);
        return samples_.empty() ? std::nullopt : std::optional(samples_.back());
    }

  private:
    mutable std::mutex mutex_;
    std::vector<DisplaySample> samples_;
};

QColor pixelAt(const ostrel::BGRAImage& image, int x, int y) {
    const std::uint8_t* pixel = image.row(y) + 4 * x;
    return QColor(pixel[2], pixel[1], pixel[0], pixel[3]);
}

const QColor blank(ostrel::FrameMasker::fillPixel[2], ostrel::FrameMasker::fillPixel[1],
                   ostrel::FrameMasker::fillPixel[0], ostrel::FrameMasker::fillPixel[3]);

class DisplayStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        x11 = X11Connection::open();
        ASSERT_TRUE(x11);
        workspace = std::make_unique<X11Workspace>(x11, noDesktopFiles);
        capture = std::make_unique<X11DisplayCapture>(*workspace);
        ASSERT_TRUE(capture->hasPermission());
        const std::vector<DisplayInfo> displays = capture->capturableDisplays();
        ASSERT_EQ(displays.size(), 1u);
        display = displays[0];
    }

    // Waits for a sample whose picture shows `colour` at (x, y) of the display.
    bool waitForColour(const Samples& samples, int x, int y, const QColor& colour, double scale = 1.0) {
        return waitUntil([&] {
            const auto sample = samples.last();
            return sample && sample->image &&
                   pixelAt(*sample->image, int(x * scale), int(y * scale)) == colour;
        });
    }

    // The frame (with decorations) of the fixture's window with this title.
    std::optional<ostrel::Rect> frameOf(std::int32_t pid, const std::string& title) {
        for (const WindowServerWindow& window : X11WindowServer(x11).onScreenWindows()) {
            if (window.pid == pid && window.title == title) {
                return window.frame;
            }
        }
        return std::nullopt;
    }

    std::shared_ptr<X11Connection> x11;
    DesktopFileApplications noDesktopFiles{std::vector<std::filesystem::path>{}};
    std::unique_ptr<X11Workspace> workspace;
    std::unique_ptr<X11DisplayCapture> capture;
    DisplayInfo display;
};

TEST_F(DisplayStreamTest, DeliversWhatAWindowPaintedAndNothingWhileTheScreenIsStill) {
    Samples samples;
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id);
    stream->start({1920, 1080, 0.1}, {}, samples.output(), [](const DisplayStreamError&) {});
    ASSERT_TRUE(waitUntil([&] { return samples.count() >= 1; }))
        << "the first sample shows the whole display";
    const DisplaySample first = *samples.last();
    ASSERT_TRUE(first.image);
    EXPECT_EQ(first.image->width, 1920);
    EXPECT_EQ(first.image->height, 1080);
    EXPECT_EQ(pixelAt(*first.image, 5, 5).alpha(), 255) << "opaque";

    // Nothing changes: no sample, however many intervals pass.
    waitUntil([] { return false; }, 1.0);
    const std::size_t settled = samples.count();
    waitUntil([] { return false; }, 1.5);
    EXPECT_EQ(samples.count(), settled);

    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    ASSERT_TRUE(fixture.swatch(300, 300, 400, 300, "#d02010"));
    ASSERT_TRUE(waitForColour(samples, 500, 450, QColor(0xd0, 0x20, 0x10)));
    const DisplaySample painted = *samples.last();
    ASSERT_TRUE(painted.dirtyRects);
    EXPECT_TRUE(std::any_of(painted.dirtyRects->begin(), painted.dirtyRects->end(),
                            [](const ostrel::Rect& rect) {
                                return rect.intersects({300, 300, 400, 300});
                            }))
        << "the changed rectangles cover the swatch";
    stream->stop();
    const std::size_t stopped = samples.count();
    ASSERT_TRUE(fixture.swatch(300, 300, 400, 300, "#1020d0"));
    waitUntil([] { return false; }, 0.5);
    EXPECT_EQ(samples.count(), stopped) << "nothing after stop";
}

TEST_F(DisplayStreamTest, BlanksTheWindowsOfAnExcludedApplicationAndScales) {
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    ASSERT_TRUE(fixture.swatch(1200, 500, 400, 300, "#20c040"));
    std::optional<ostrel::Rect> frame;
    ASSERT_TRUE(waitUntil([&] { return (frame = frameOf(fixture.pid(), "Fixture Swatch")).has_value(); }));

    Samples samples;
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id);
    // Half size: the display is scaled to the configuration.
    stream->start({960, 540, 0.1}, {}, samples.output(), [](const DisplayStreamError&) {});
    ASSERT_TRUE(waitForColour(samples, 1400, 650, QColor(0x20, 0xc0, 0x40), 0.5));
    EXPECT_EQ(samples.last()->image->width, 960);

    stream->updateFilter({{"DesktopFixture"}, {}});
    ASSERT_TRUE(fixture.swatch(1200, 500, 400, 300, "#c02040"));
    ASSERT_TRUE(waitForColour(samples, 1400, 650, blank, 0.5))
        << "the excluded application's window is blank";
    const ostrel::BGRAImage& image = *samples.last()->image;
    EXPECT_EQ(pixelAt(image, int(frame->x + 3) / 2, int(frame->y + 3) / 2), blank) << "decorations included";
    EXPECT_NE(pixelAt(image, int(frame->maxX() + 20) / 2, int(frame->y + 20) / 2), blank)
        << "nothing beside the window";
    stream->stop();
}

TEST_F(DisplayStreamTest, WhatChangesOnlyBehindAStillBlankGivesNoSample) {
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    ASSERT_TRUE(fixture.swatch(1200, 500, 400, 300, "#20c040"));
    ASSERT_TRUE(waitUntil([&] { return frameOf(fixture.pid(), "Fixture Swatch").has_value(); }));

    Samples samples;
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id);
    stream->start({1920, 1080, 0.1}, {{"DesktopFixture"}, {}}, samples.output(),
                  [](const DisplayStreamError&) {});
    ASSERT_TRUE(waitForColour(samples, 1400, 650, blank));
    waitUntil([] { return false; }, 1.0);
    const std::size_t settled = samples.count();

    // The excluded window paints anew where it stands: the picture would be the same.
    ASSERT_TRUE(fixture.swatch(1200, 500, 400, 300, "#c02040"));
    ASSERT_TRUE(fixture.swatch(1200, 500, 400, 300, "#2040c0"));
    waitUntil([] { return false; }, 1.0);
    EXPECT_EQ(samples.count(), settled);

    // Moved, it uncovers what lay beneath and is blanked where it went.
    ASSERT_TRUE(fixture.swatch(400, 500, 400, 300, "#2040c0"));
    ASSERT_TRUE(waitForColour(samples, 600, 650, blank));
    EXPECT_NE(pixelAt(*samples.last()->image, 1500, 650), blank);
    stream->stop();
}

TEST_F(DisplayStreamTest, WhatAWindowAboveHidesOfAnExcludedWindowIsKept) {
    FixtureApp vault(launchedAs("org.example.Vault"));
    FixtureApp cover(launchedAs("org.example.Cover"));
    ASSERT_TRUE(vault.started() && cover.started());
    ASSERT_TRUE(vault.canvas(200, 200, 600, 400, "SECRET", "Vault"));
    // Shown later, so above the vault, over its right part.
    ASSERT_TRUE(cover.canvas(500, 300, 600, 400, "COVER", "Cover"));

    Samples samples;
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id);
    stream->start({1920, 1080, 0.1}, {{"org.example.Vault"}, {}}, samples.output(),
                  [](const DisplayStreamError&) {});
    // The window above may be shown a moment before it is painted.
    ASSERT_TRUE(waitForColour(samples, 560, 360, QColor(Qt::white))) << "the window above it is kept";
    const ostrel::BGRAImage& image = *samples.last()->image;
    EXPECT_EQ(pixelAt(image, 260, 260), blank) << "what shows of the vault is blank";
    EXPECT_EQ(pixelAt(image, 450, 580), blank) << "the vault beside and below the window above";
    stream->stop();
}

TEST_F(DisplayStreamTest, AnXtermInFrontOfAnExcludedWindowStaysWhole) {
    FixtureApp vault(launchedAs("org.example.Vault"));
    ASSERT_TRUE(vault.started());
    ASSERT_TRUE(vault.canvas(200, 200, 700, 500, "SECRET", "Vault"));
    // Shown later, so in front of the vault, over its middle; its own border and title bar lie
    // over the vault too.
    desktoptest::InstalledProgram xterm(
        "xterm", {"-geometry", "40x12+400+300", "-title", "Front Xterm", "-e", "sleep", "60"});
    ASSERT_TRUE(xterm.started());
    std::optional<ostrel::Rect> front;
    ASSERT_TRUE(waitUntil([&] { return (front = frameOf(xterm.pid(), "Front Xterm")).has_value(); }));
    ASSERT_TRUE(ostrel::Rect({200, 200, 700, 500}).contains(*front)) << "the xterm lies inside the vault";

    Samples samples;
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id);
    stream->start({1920, 1080, 0.1}, {{"org.example.Vault"}, {}}, samples.output(),
                  [](const DisplayStreamError&) {});
    ASSERT_TRUE(waitForColour(samples, 230, 230, blank)) << "what shows of the vault is blank";
    const ostrel::BGRAImage& image = *samples.last()->image;
    // Every pixel of the xterm's frame is its own, out to its edges; the vault shows right beside it.
    int blanked = 0;
    for (int y = int(front->minY()); y < int(front->maxY()); ++y) {
        for (int x = int(front->minX()); x < int(front->maxX()); ++x) {
            blanked += pixelAt(image, x, y) == blank ? 1 : 0;
        }
    }
    EXPECT_EQ(blanked, 0) << "of " << front->width << " x " << front->height;
    const int middle = int(front->minY() + front->height / 2);
    EXPECT_EQ(pixelAt(image, int(front->minX()) - 1, middle), blank);
    EXPECT_EQ(pixelAt(image, int(front->maxX()), middle), blank);
    stream->stop();
}

TEST_F(DisplayStreamTest, AnXtermThatKeepsPrintingMovesTheScreenHoweverSmallItIs) {
    // 50 x 14 characters: under 4 % of the display, decorations included.
    desktoptest::InstalledProgram xterm("xterm",
                                        {"-geometry", "50x14+100+100", "-title", "Printing Xterm", "-e", "sh",
                                         "-c", "while :; do date +%s.%N; sleep 0.02; done"});
    ASSERT_TRUE(xterm.started());
    std::optional<ostrel::Rect> frame;
    ASSERT_TRUE(waitUntil([&] { return (frame = frameOf(xterm.pid(), "Printing Xterm")).has_value(); }));
    ASSERT_LT(frame->width * frame->height, 0.04 * display.bounds.width * display.bounds.height);

    X11WindowServer windowServer(x11);
    WindowList windowList(windowServer, *workspace);
    const auto capturer = DisplayCapturer::make(display.id, *capture, windowList, systemClock());
    // Samples ten times a second, so the motion test sees its dozen within a few seconds.
    capturer->start({}, {1920, 1080, 0.1});
    EXPECT_TRUE(waitUntil([&] { return capturer->isContinuouslyChanging(systemClock().uptime()); }));
    capturer->stop();
}

TEST_F(DisplayStreamTest, AStreamOfADisplayThatIsNotThereDoesNotStart) {
    std::unique_ptr<DisplayStream> stream = capture->makeStream(display.id + 12345);
    try {
        stream->start(
            {1920, 1080, 1}, {}, [](const DisplaySample&) {}, [](const DisplayStreamError&) {});
        FAIL() << "started";
    } catch (const DisplayStreamError& error) {
        EXPECT_EQ(error.kind(), DisplayStreamError::Kind::displayChanged);
    }
}

} // namespace
} // namespace vesperline::platform
