// The tick and the frame road on fakes: what is kept, what is skipped and why.
#include "RecorderFixture.h"

#include "Storage/MemoryStore.h"
#include "Support/FailingWrites.h"
#include "Support/LogCapture.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vesperline::testing {
namespace {

using ostrel::OCRState;
using ostrel::Rect;
using ostrel::TextSource;
using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::DisplaySample;
using platform::FakeAccessibleNode;

constexpr std::int32_t editorPID = 500;
constexpr std::int32_t vaultPID = 600;
const std::string editor = "org.example.Editor";

// A 90 x 80 picture of 9 x 8 cells of one grey each, all 100 but the cells given.
ostrel::BGRAImage picture(std::vector<std::pair<int, std::uint8_t>> cells = {}) {
    std::uint8_t grid[72];
    std::fill(std::begin(grid), std::end(grid), 100);
    for (const auto& [cell, grey] : cells) {
        grid[cell] = grey;
    }
    ostrel::BGRAImage image(90, 80);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 90; ++x) {
            std::uint8_t* pixel = image.row(y) + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = grid[(y / 10) * 9 + x / 10];
            pixel[3] = 255;
        }
    }
    return image;
}

class RecorderCaptureTest : public RecorderFixture {
  protected:
    void SetUp() override {
        RecorderFixture::SetUp();
        userIdle.seconds = 5;
        startRecording();
    }

    // Brings an application to the front with one window on the main display showing these texts.
    AccessibleElement show(std::int32_t pid, std::optional<std::string> bundleID,
                           std::optional<std::string> name, std::string title,
                           const std::vector<std::string>& texts) {
        FakeAccessibleNode node(AccessibleRole::window);
        node.title = std::move(title);
        node.frame = Rect{100, 100, 800, 600};
        const AccessibleElement window = accessibility.add(node);
        for (const std::string& text : texts) {
            addText(window, text);
        }
        accessibility.focusedWindowByPid[pid] = window;
        frontmost.update(platform::RunningApplication{pid, std::move(bundleID), std::move(name)});
        return window;
    }
    void addText(const AccessibleElement& window, const std::string& text) {
        FakeAccessibleNode label(AccessibleRole::staticText);
        label.value = text;
        accessibility.add(label, window);
    }

    // Hands the main display's stream a picture of which `dirt` of the area changed.
    void deliver(const ostrel::BGRAImage& image, double dirt = 0.005) {
        capture.runningStreams().at(0)->deliver(
            {DisplaySample::Status::complete, std::make_shared<ostrel::BGRAImage>(image),
             std::vector<Rect>{{0, 0, image.width * dirt, double(image.height)}}});
    }
    // Ticks a second apart until `count` moments were saved (at most ten ticks).
    bool tickUntilSaved(std::size_t count) {
        for (int i = 0; i < 10 && saved.size() < count; ++i) {
            clock.advance(1);
            tick();
        }
        return saved.size() >= count;
    }
    // Moves time on by `seconds`, hands over a picture and ticks once.
    void tickWith(const ostrel::BGRAImage& image, double seconds = 3, double dirt = 0.005) {
        clock.advance(seconds);
        deliver(image, dirt);
        tick();
    }

    ostrel::FrameRecord stored(std::size_t index) {
        const std::int64_t id = saved.at(index).first.id;
        return *hub->readSync([id](ostrel::MemoryStore& store) { return store.frame(id); });
    }
    std::string textOf(std::size_t index) {
        const std::int64_t id = saved.at(index).first.id;
        return hub->readSync([id](ostrel::MemoryStore& store) { return store.text(id); }).value_or("");
    }
    std::int64_t statsColumn(const char* column) {
        const std::string sql = std::string("SELECT COALESCE(SUM(") + column + "), 0) FROM daily_stats";
        return hub->readSync([&](ostrel::MemoryStore& store) { return *store.db().scalarInt(sql); });
    }
    // Ends recording, which writes the pending counts.
    void flushByStopping() {
        recorder->setBlock(Recorder::Block::paused, true);
        drain();
    }
};

TEST_F(RecorderCaptureTest, KeepsAMomentWithItsPictureTextAndContext) {
    show(editorPID, editor, "Editor", "Draft", {"Harbour report for the quarter"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    const ostrel::FrameRecord frame = stored(0);
    EXPECT_EQ(frame.appBundleID, editor);
    EXPECT_EQ(frame.appName, "Editor");
    EXPECT_EQ(frame.windowTitle, "Draft");
    EXPECT_EQ(frame.displayID, mainDisplay);
    EXPECT_EQ(frame.imageState, ostrel::ImageState::segment);
    EXPECT_EQ(frame.segmentIndex, 0);
    EXPECT_EQ(frame.width, 90);
    EXPECT_EQ(frame.textSource, (TextSource{TextSource::accessibility(), TextSource::ocr()}))
        << "short text: recognition runs too";
    EXPECT_EQ(frame.ocrState, OCRState::done);
    ASSERT_TRUE(frame.windowRect);
    EXPECT_DOUBLE_EQ(frame.windowRect->x, 100.0 / 1920);
    EXPECT_EQ(textOf(0), "Harbour report for the quarter");
    EXPECT_TRUE(recognizer.lastRegionOfInterest) << "only the window's part is recognised";
    EXPECT_EQ(saved[0].first.imageState, ostrel::ImageState::segment);
    EXPECT_TRUE(skips.empty()) << "recording starts without a reason to skip: nothing changed";
}

TEST_F(RecorderCaptureTest, ARepeatIsSkippedUnlessItsHashMovedTwoBitsOrItBringsANewLine) {
    const AccessibleElement window = show(editorPID, editor, "Editor", "Draft", {"First line of the draft"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));

    tickWith(picture());
    EXPECT_EQ(saved.size(), 1u) << "the same picture";
    tickWith(picture({{8, 50}}));
    EXPECT_EQ(saved.size(), 1u) << "one bit apart";
    tickWith(picture({{8, 50}, {17, 50}, {26, 50}}));
    EXPECT_EQ(saved.size(), 2u) << "two bits apart from the last stored picture";

    addText(window, "A second line typed since");
    tickWith(picture({{8, 50}, {17, 50}, {26, 50}}));
    ASSERT_EQ(saved.size(), 3u) << "the same hash with a new line";
    EXPECT_EQ(textOf(2), "A second line typed since") << "only the new line";

    flushByStopping();
    EXPECT_EQ(statsColumn("frames_saved"), 3);
    EXPECT_EQ(statsColumn("frames_skipped"), 2);
}

TEST_F(RecorderCaptureTest, AfterAPrivacySkipNoPictureOlderThanTheClearTickIsKept) {
    show(editorPID, editor, "Editor", "Draft", {"Some text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));

    RecorderConfig config;
    config.excludedApps.insert("org.example.Vault");
    recorder->applyConfig(config);
    show(vaultPID, "org.example.Vault", std::nullopt, "Secrets", {"a password"});
    tickWith(picture({{0, 10}}), 3, 0.5);
    EXPECT_EQ(skips.back(), SkipReason::excludedApp("org.example.Vault"))
        << "named by its id when it has no name";
    tickWith(picture({{0, 10}}), 3, 0.5);
    EXPECT_EQ(skips.size(), 1u) << "the same reason is posted once";

    // Back in the editor: a picture that arrived no later than this tick may still show the vault.
    show(editorPID, editor, "Editor", "Draft", {"Some text"});
    clock.advance(3);
    deliver(picture({{1, 10}}), 0.5);
    tick();
    EXPECT_EQ(skips.back(), SkipReason::none());
    clock.advance(3);
    tick();
    EXPECT_EQ(saved.size(), 1u) << "held";
    tickWith(picture({{2, 10}}), 3, 0.5);
    ASSERT_EQ(saved.size(), 2u) << "a picture from after the clear tick";
}

TEST_F(RecorderCaptureTest, OurOwnWindowsAreSkippedWithoutDroppingFrames) {
    show(ownPid, "org.vesperline.Vesperline", "Vesperline", "Search", {});
    deliver(picture());
    clock.advance(1);
    tick();
    EXPECT_EQ(skips, std::vector{SkipReason::ownApp()});
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    ASSERT_TRUE(tickUntilSaved(1)) << "the picture that waited is kept";
}

TEST_F(RecorderCaptureTest, APrivateWindowTitleIsSkippedOnlyWhilePrivateWindowsAreSkipped) {
    show(editorPID, editor, "Editor", "Notes — Private Browsing", {"Text"});
    deliver(picture());
    clock.advance(1);
    tick();
    EXPECT_EQ(skips, std::vector{SkipReason::privateWindow()});
    RecorderConfig config;
    config.skipPrivateWindows = false;
    recorder->applyConfig(config);
    clock.advance(1);
    tick(); // the privacy checks pass: pictures from now on may be kept
    EXPECT_EQ(skips.back(), SkipReason::none());
    clock.advance(0.5);
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(stored(0).windowTitle, "Notes — Private Browsing");
}

TEST_F(RecorderCaptureTest, AFocusedPasswordFieldIsSecureInput) {
    show(editorPID, editor, "Editor", "Login", {"User name"});
    FakeAccessibleNode field(AccessibleRole::secureTextField);
    accessibility.focused = accessibility.add(field);
    deliver(picture());
    clock.advance(1);
    tick();
    EXPECT_EQ(skips, std::vector{SkipReason::secureInput()});
    EXPECT_TRUE(saved.empty());
}

TEST_F(RecorderCaptureTest, AnOCRPreferredApplicationIsReadFromThePicture) {
    recognizer.observations = {{Rect{0.1, 0.5, 0.5, 0.1}, {{"Recognised words here", 0.9, {}}}}};
    const std::string longText(300, 'x');
    show(editorPID, "md.obsidian", "Obsidian", "Vault", {longText});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(stored(0).textSource, TextSource::ocr()) << "no accessibility read while OCR may run";
    EXPECT_EQ(textOf(0), "Recognised words here");

    // On battery without OCR: the accessibility text, and recognition queued whatever its length.
    recorder->updatePower({true, 0.8, false, 0});
    tickWith(picture({{8, 0}, {17, 0}, {26, 0}}));
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(stored(1).textSource, TextSource::accessibility());
    EXPECT_EQ(stored(1).ocrState, OCRState::queued);
    EXPECT_EQ(recognizer.calls, 1);
}

TEST_F(RecorderCaptureTest, LongAccessibleTextNeedsNoRecognition) {
    show(editorPID, editor, "Editor", "Essay", {std::string(250, 'y')});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(stored(0).ocrState, OCRState::notNeeded);
    EXPECT_EQ(recognizer.calls, 0);
}

TEST_F(RecorderCaptureTest, APictureNoSegmentTookIsKeptWithoutOne) {
    recorder->updatePower({true, 0.8, false, 0}); // no OCR now: it would be queued
    videoFiles.failCreate(platform::MediaError(platform::MediaError::Kind::other, "no encoder"));
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    const ostrel::FrameRecord frame = stored(0);
    EXPECT_EQ(frame.imageState, ostrel::ImageState::none);
    EXPECT_FALSE(frame.segmentID);
    EXPECT_EQ(frame.ocrState, OCRState::notNeeded) << "no picture to recognise later";
}

TEST_F(RecorderCaptureTest, AFailedInsertPostsNothingCountsNothingAndStillAdvances) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    hub->sync([](ostrel::MemoryStore& store) { store.db().execute("DROP TABLE frame_text"); });
    testsupport::LogCapture log;
    tickWith(picture({{8, 0}, {17, 0}, {26, 0}}));
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_TRUE(log.lines().filter("Frame insert failed").size() == 1)
        << log.lines().join("\n").toStdString();
    // The next picture is compared with the one that failed: a repeat of it is skipped.
    tickWith(picture({{8, 0}, {17, 0}, {26, 0}}));
    flushByStopping();
    EXPECT_EQ(statsColumn("frames_saved"), 1);
    EXPECT_EQ(statsColumn("frames_skipped"), 1);
}

TEST_F(RecorderCaptureTest, StatisticsAreWrittenOncePerMinute) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    // The recorder was made at uptime 1000 and has not written since.
    clock.setUptime(1000 + 59);
    tick();
    EXPECT_EQ(statsColumn("frames_saved"), 0);
    clock.setUptime(1000 + 60);
    tick();
    EXPECT_EQ(statsColumn("frames_saved"), 1);
}

TEST_F(RecorderCaptureTest, TheStreamFollowsTheFrontmostWindowToItsDisplay) {
    const AccessibleElement window = show(editorPID, editor, "Editor", "Draft", {"Text"});
    clock.advance(1);
    tick();
    accessibility.at(window).frame = Rect{2000, 100, 800, 600};
    clock.advance(1);
    tick();
    ASSERT_TRUE(eventually([&] {
        const auto running = capture.runningStreams();
        return running.size() == 1 && running[0]->displayID == rightDisplay;
    }));
    clock.advance(1);
    tick();
    drain();
    EXPECT_EQ(capture.streams().size(), 2u) << "reconciled once";

    frontmost.update(std::nullopt);
    clock.advance(1);
    tick();
    EXPECT_TRUE(skips.empty()) << "no frontmost application: the reason stays as it was";
}

TEST_F(RecorderCaptureTest, SuspensionFinishesEverySegmentAndResumptionJudgesAfresh) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(recorder->openSegmentPaths().size(), 1u);
    videoFiles.finishDelayMilliseconds = 100;
    recorder->suspendCapture().waitForFinished();
    EXPECT_TRUE(recorder->openSegmentPaths().empty());
    EXPECT_TRUE(hub->readSync([](ostrel::MemoryStore& store) { return store.openSegments(); }).empty());
    tickWith(picture({{8, 0}, {17, 0}, {26, 0}}));
    EXPECT_EQ(saved.size(), 1u) << "held: ticks do nothing";
    recorder->resumeCapture();
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(2)) << "the same picture as before counts as new";
}

TEST_F(RecorderCaptureTest, ShutdownFinishesSegmentsAndWritesThePendingCounts) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    recorder->shutdown();
    EXPECT_TRUE(hub->readSync([](ostrel::MemoryStore& store) { return store.openSegments(); }).empty());
    EXPECT_EQ(statsColumn("frames_saved"), 1);
    EXPECT_FALSE(capture.runningStreams().empty()) << "streams are left to the end of the process";
}

TEST_F(RecorderCaptureTest, TheFrontmostWindowsPageDecidesWhetherItIsKept) {
    struct Case {
        const char* name;
        std::string bundleID;
        bool readable;
        bool marked;
        std::optional<std::string> document;
        std::vector<std::string> excludedSites;
        SkipReason skip; // none: kept
    };
    const Case cases[] = {
        {"an ordinary page, kept with its address",
         "firefox",
         true,
         false,
         "https://news.example/today",
         {},
         SkipReason::none()},
        {"a private window found by its marker",
         "firefox",
         true,
         true,
         "https://news.example/",
         {},
         SkipReason::privateWindow()},
        {"an excluded site",
         "firefox",
         true,
         false,
         "https://bank.example/login",
         {"bank.example"},
         SkipReason::excludedSite()},
        {"a page that cannot be read",
         "firefox",
         false,
         false,
         std::nullopt,
         {},
         SkipReason::unverifiedBrowser()},
        // Chromium without a request for its tree: its window, and nothing below that can be read.
        {"a browser that keeps its tree to itself, named so the user can start it anew",
         "chromium",
         true,
         false,
         std::nullopt,
         {},
         SkipReason::unverifiedBrowser("App")},
        {"Firefox's interface document is no page address",
         "firefox",
         true,
         false,
         "chrome://browser/content/browser.xhtml",
         {"bank.example"},
         SkipReason::unverifiedBrowser()},
        {"another application's document on an excluded site",
         editor,
         true,
         false,
         "https://bank.example/statement.pdf",
         {"bank.example"},
         SkipReason::excludedSite()},
        {"another application's document, kept as its address",
         editor,
         true,
         false,
         "/home/me/notes.txt",
         {"bank.example"},
         SkipReason::none()},
    };
    for (const Case& c : cases) {
        TearDown();
        skips.clear();
        saved.clear();
        SetUp();
        RecorderConfig config;
        config.excludedSites = c.excludedSites;
        recorder->applyConfig(config);
        const AccessibleElement window = show(editorPID, c.bundleID, "App", "Front page", {"Some words"});
        accessibility.at(window).readable = c.readable;
        accessibility.at(window).document = c.document;
        if (c.bundleID == "chromium") {
            accessibility.at(accessibility.at(window).children.front()).readable = false;
        }
        if (c.marked) {
            FakeAccessibleNode badge;
            badge.title = "Private Browsing";
            accessibility.add(badge, window);
        }
        deliver(picture());
        for (int i = 0; i < 3; ++i) {
            clock.advance(1);
            tick();
        }
        if (c.skip == SkipReason::none()) {
            ASSERT_EQ(saved.size(), 1u) << c.name;
            EXPECT_EQ(stored(0).url, c.document) << c.name;
            EXPECT_TRUE(skips.empty()) << c.name;
        } else {
            EXPECT_TRUE(saved.empty()) << c.name;
            ASSERT_FALSE(skips.empty()) << c.name;
            // The frames were dropped: later ticks pass the checks but find no picture.
            EXPECT_EQ(skips.front(), c.skip) << c.name;
        }
    }
}

TEST_F(RecorderCaptureTest, AnotherDisplayIsKeptWithoutTheFrontmostWindowAndRecognisedWhole) {
    RecorderConfig config;
    config.allDisplays = true;
    recorder->applyConfig(config);
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 2; }));
    recognizer.observations = {{Rect{0.1, 0.5, 0.5, 0.1}, {{"Departures board", 0.9, {}}}}};
    show(editorPID, editor, "Editor", "Draft", {"Text of the editor"});
    const auto right = capture.runningStreams().at(1);
    ASSERT_EQ(right->displayID, rightDisplay);
    right->deliver({DisplaySample::Status::complete, std::make_shared<ostrel::BGRAImage>(picture()),
                    std::vector<Rect>{{0, 0, 5, 80}}});
    ASSERT_TRUE(tickUntilSaved(1));
    const ostrel::FrameRecord frame = stored(0);
    EXPECT_EQ(frame.displayID, rightDisplay);
    EXPECT_FALSE(frame.appBundleID);
    EXPECT_FALSE(frame.appName);
    EXPECT_FALSE(frame.windowTitle);
    EXPECT_FALSE(frame.url);
    EXPECT_FALSE(frame.windowRect);
    EXPECT_EQ(frame.textSource, TextSource::ocr()) << "no accessibility text of another display";
    EXPECT_FALSE(recognizer.lastRegionOfInterest) << "the whole picture is recognised";
    EXPECT_EQ(textOf(0), "Departures board");
    EXPECT_FALSE(saved[0].second) << "no project";
}

TEST_F(RecorderCaptureTest, AScreenThatKeepsMovingWhileTheUserIsIdleCountsAsMedia) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    // Twelve samples, each changing half the screen, within the last 30 s.
    for (int i = 0; i < 12; ++i) {
        clock.advance(1);
        deliver(picture({{8, std::uint8_t(i % 2 ? 0 : 200)}, {17, 0}, {26, 0}}), 0.5);
    }
    userIdle.seconds = 8.01;
    clock.advance(1);
    tick();
    EXPECT_EQ(saved.size(), 1u) << "moving content is kept at most every three minutes";
    userIdle.seconds = 8.0;
    clock.advance(1);
    tick();
    EXPECT_EQ(saved.size(), 2u) << "up to 8 s without input the motion is not looked at";
}

TEST_F(RecorderCaptureTest, ANewImageQualityClosesTheOpenSegment) {
    show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    ASSERT_EQ(recorder->openSegmentPaths().size(), 1u);
    RecorderConfig config;
    config.imageQuality = ImageQuality::sharp;
    recorder->applyConfig(config);
    EXPECT_TRUE(recorder->openSegmentPaths().empty());
    EXPECT_EQ(capture.streams().size(), 1u) << "the stream stays";
}

TEST_F(RecorderCaptureTest, MomentsThatCannotBeSavedSayWhyUntilSavingWorksAgain) {
    struct Case {
        const char* name;
        testsupport::WriteFailure failure;
        SavingIssue issue;
    };
    const Case cases[] = {
        {"a full disk", testsupport::WriteFailure::diskFull, SavingIssue::diskFull},
        {"a data folder that may not be written", testsupport::WriteFailure::readOnly,
         SavingIssue::notWritable},
    };
    int moment = 0;
    // Each moment is a window of its own with a text long enough to need new room in the file;
    // ticks until the recorder has tried to save it.
    const auto tickWithANewLine = [&] {
        ++moment;
        show(editorPID, editor, "Editor", "Draft " + std::to_string(moment),
             {"Moment " + std::to_string(moment) + " " + std::string(12000, 'x')});
        const std::size_t attempts = saved.size() + savingIssues.size();
        deliver(picture());
        for (int i = 0; i < 10 && saved.size() + savingIssues.size() == attempts; ++i) {
            clock.advance(1);
            tick();
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hub->sync([&](ostrel::MemoryStore& store) { testsupport::failWrites(store.db(), c.failure); });
        const std::size_t savedBefore = saved.size();
        tickWithANewLine();
        ASSERT_FALSE(savingIssues.empty());
        EXPECT_EQ(savingIssues.back(), c.issue);
        EXPECT_EQ(saved.size(), savedBefore);

        hub->sync([&](ostrel::MemoryStore& store) { testsupport::failWrites(store.db(), std::nullopt); });
        tickWithANewLine();
        EXPECT_EQ(saved.size(), savedBefore + 1) << "saved again once the disk lets it";
        EXPECT_EQ(savingIssues.back(), SavingIssue::none);
    }
    EXPECT_EQ(savingIssues, (std::vector{SavingIssue::diskFull, SavingIssue::none, SavingIssue::notWritable,
                                         SavingIssue::none}))
        << "one report per change";
}

TEST_F(RecorderCaptureTest, PicturesPausedForALowDiskAreToldAndResumeWithSpace) {
    freeBytes = SegmentManager::lowDiskThreshold - 1;
    const AccessibleElement window = show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(stored(0).imageState, ostrel::ImageState::none) << "the moment is kept without its picture";
    EXPECT_EQ(savingIssues, std::vector{SavingIssue::picturesPausedForLowDisk});
    // Recording that starts again judges afresh, at its next save.
    recorder->setBlock(Recorder::Block::paused, true);
    // The stream has stopped before recording starts again, so the one awaited next is the new one.
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().empty(); }));
    recorder->setBlock(Recorder::Block::paused, false);
    ASSERT_TRUE(eventually([&] { return capture.runningStreams().size() == 1; }));
    EXPECT_EQ(savingIssues.back(), SavingIssue::none);
    addText(window, "More text");
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(2));
    EXPECT_EQ(savingIssues.back(), SavingIssue::picturesPausedForLowDisk);

    freeBytes = SegmentManager::lowDiskThreshold;
    addText(window, "Yet more text");
    tickWith(picture(), SegmentManager::diskCheckInterval + 1);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(stored(2).imageState, ostrel::ImageState::segment);
    EXPECT_EQ(savingIssues.back(), SavingIssue::none);
}

// A data folder on a file system of a few megabytes that the test fills, as a real full disk: it
// needs root to mount one, and is skipped, saying so, where it cannot.
class RecorderOnASmallDiskTest : public RecorderCaptureTest {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dataFolder.path());
        if (::mount("tmpfs", dataFolder.path().c_str(), "tmpfs", 0, "size=4m,mode=0700") != 0) {
            GTEST_SKIP() << "a small file system cannot be mounted here (" << std::strerror(errno)
                         << "); the store's own failures are tested without one";
        }
        mounted_ = true;
        freeSpace = SegmentManager::volumeFreeSpace;
        RecorderCaptureTest::SetUp();
    }
    void TearDown() override {
        RecorderCaptureTest::TearDown();
        if (mounted_) {
            ::umount2(dataFolder.path().c_str(), MNT_DETACH);
        }
    }
    // Writes to a file until the file system has no room left.
    void fill(const std::filesystem::path& file) {
        const int out = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(out, 0);
        const std::string block(4096, 'f');
        while (::write(out, block.data(), block.size()) > 0) {
        }
        ::close(out);
    }

    bool mounted_ = false;
};

TEST_F(RecorderOnASmallDiskTest, AFullDiskStopsMomentsUntilSpaceIsFreed) {
    const AccessibleElement window = show(editorPID, editor, "Editor", "Draft", {"Text"});
    deliver(picture());
    ASSERT_TRUE(tickUntilSaved(1));
    EXPECT_EQ(savingIssues.back(), SavingIssue::picturesPausedForLowDisk) << "a few megabytes are low";

    const std::filesystem::path filler = dataFolder.path() / "filler";
    fill(filler);
    addText(window, "Written to a full disk " + std::string(3000, 'x'));
    tickWith(picture());
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_EQ(savingIssues.back(), SavingIssue::diskFull);

    std::filesystem::remove(filler);
    addText(window, "Written once there is room");
    tickWith(picture());
    EXPECT_EQ(saved.size(), 2u);
    EXPECT_EQ(savingIssues.back(), SavingIssue::picturesPausedForLowDisk) << "moments are saved again";
    EXPECT_TRUE(
        hub->readSync([](ostrel::MemoryStore& store) { return store.frames(0, 1e12, 10, false); }).size() ==
        2);
}

class RecorderTextOnlyTest : public RecorderCaptureTest {
  protected:
    void SetUp() override {
        RecorderCaptureTest::SetUp();
        RecorderConfig config;
        config.textOnly = true;
        recorder->applyConfig(config);
        ASSERT_TRUE(eventually([&] { return !timers.live(textOnlyTickInterval).empty(); }));
    }
};

TEST_F(RecorderTextOnlyTest, KeepsTextWithoutAPictureUnderItsOwnGate) {
    // policy (balanced, text only): minInterval 2, heartbeat 15.
    const AccessibleElement window = show(editorPID, editor, "Editor", "Draft", {"First words"});
    userIdle.seconds = 0.5;
    tick();
    ASSERT_EQ(saved.size(), 1u) << "a new context without a last capture";
    const ostrel::FrameRecord frame = stored(0);
    EXPECT_EQ(frame.imageState, ostrel::ImageState::none);
    EXPECT_EQ(frame.width, 1920);
    EXPECT_EQ(frame.height, 1080);
    EXPECT_EQ(frame.textSource, TextSource::accessibility());

    struct Step {
        const char* name;
        double advance;
        double idle;
        std::optional<std::string> newText;
        std::optional<std::string> title;
        bool stored;
    };
    const Step steps[] = {
        {"same context, too soon", 2, 3, "More words", std::nullopt, false},
        {"5 s since, 1.5 s idle, input since", 3, 1.5, std::nullopt, std::nullopt, true},
        {"same context, no new line", 6, 2, std::nullopt, std::nullopt, false},
        {"idle longer than the gap: no input since", 6, 7, "Yet more words", std::nullopt, false},
        {"heartbeat", 15, 100, std::nullopt, std::nullopt, true},
        {"another window within 1.5 s", 1, 0, std::nullopt, "Second", false},
        {"another window after 1.5 s", 0.5, 0, std::nullopt, "Second", true},
    };
    std::size_t expected = 1;
    for (const Step& step : steps) {
        clock.advance(step.advance);
        userIdle.seconds = step.idle;
        if (step.newText) {
            addText(window, *step.newText);
        }
        if (step.title) {
            accessibility.at(window).title = *step.title;
        }
        tick();
        expected += step.stored ? 1 : 0;
        EXPECT_EQ(saved.size(), expected) << step.name;
    }
    EXPECT_TRUE(capture.runningStreams().empty()) << "no picture is taken";
}

} // namespace
} // namespace vesperline::testing
