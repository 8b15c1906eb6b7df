// The whole road of a kept moment on the real Linux layer and a real store: what the recorder keeps
// of the fixture's windows, that it is found again by its words, and that nothing of a private
// browser window or an excluded application is kept. Then a kill of a recording process.
#include "DesktopRecorder.h"
#include "DesktopSession.h"

#include "Storage/MemoryStore.h"
#include "Support/TemporaryDirectory.h"

#include <csignal>

namespace vesperline::desktoptest {
namespace {

using ostrel::MemoryStore;
using ostrel::SearchQuery;

std::vector<ostrel::SearchHit> find(StoreHub& hub, const std::string& words) {
    return hub.readSync([&](MemoryStore& store) {
        return store.search(SearchQuery(words, std::nullopt, std::nullopt, {}, 20, SearchQuery::Sort::newest),
                            ostrel::currentTime());
    });
}

void activate(const QString& title) {
    runTool("xdotool", {"search", "--name", "^" + title + "$", "windowactivate", "--sync"});
}

TEST(RecorderEndToEndTest, KeepsFindableMomentsAndNothingOfPrivateOrExcludedWindows) {
    REQUIRE_DESKTOP_SESSION();
    FixtureApp browser(launchedAs("firefox"));
    FixtureApp vault(launchedAs("vesperline-vault"));
    FixtureApp fixture;
    ASSERT_TRUE(browser.started() && vault.started() && fixture.started());
    ASSERT_TRUE(browser.canvas(1000, 650, 700, 250, "PLUMBAGO", "Private Browsing - Mozilla Firefox"));
    ASSERT_TRUE(vault.canvas(1000, 80, 700, 250, "MARIGOLD", "Vault"));
    ASSERT_TRUE(fixture.canvas(100, 700, 700, 250, "CORMORANT", "Fixture Canvas"));

    testsupport::DataFolder data;
    DesktopRecorder recording(data.path());
    ASSERT_TRUE(waitUntil([&] { return recording.accessibilityReady(); })) << "no accessibility bus";
    RecorderConfig config;
    config.excludedApps.insert("vesperline-vault");
    recording.start(config, {});

    // Accessible text of the notes window, and a word only recognition can read on the canvas.
    activate("Fixture Notes");
    ASSERT_TRUE(waitUntil([&] { return !find(recording.hub(), "tuesday").empty(); }, 30));
    activate("Fixture Canvas");
    ASSERT_TRUE(waitUntil([&] { return !find(recording.hub(), "cormorant").empty(); }, 30));
    recording.recorder().shutdown();

    const auto notesHit = find(recording.hub(), "tuesday").front();
    const auto canvasHit = find(recording.hub(), "cormorant").front();
    const auto notes =
        *recording.hub().readSync([&](MemoryStore& store) { return store.frame(notesHit.frame.id); });
    const auto canvas =
        *recording.hub().readSync([&](MemoryStore& store) { return store.frame(canvasHit.frame.id); });
    EXPECT_EQ(notes.windowTitle, "Fixture Notes");
    EXPECT_EQ(notes.appBundleID, "DesktopFixture");
    EXPECT_TRUE(notes.textSource.contains(ostrel::TextSource::accessibility()));
    ASSERT_TRUE(notes.windowRect);
    EXPECT_NEAR(notes.windowRect->x, 100.0 / 1920, 0.01);
    EXPECT_TRUE(notes.segmentIndex.has_value());
    EXPECT_EQ(canvas.windowTitle, "Fixture Canvas");
    EXPECT_TRUE(canvas.textSource.contains(ostrel::TextSource::ocr()));
    ASSERT_TRUE(canvas.segmentPath && canvas.segmentIndex);

    EXPECT_TRUE(find(recording.hub(), "plumbago").empty()) << "the private window's word";
    EXPECT_TRUE(find(recording.hub(), "marigold").empty()) << "the excluded application's word";
    EXPECT_EQ(recording.hub().readSync([](MemoryStore& store) {
        return store.db().scalarInt(
            "SELECT COUNT(*) FROM frames WHERE app_bundle IN ('firefox', 'vesperline-vault')");
    }),
              0);

    // The picture kept of the canvas: blank where the excluded and the private windows were.
    const auto vaultFrame = frameOfWindow("Vault");
    const auto privateFrame = frameOfWindow("Private Browsing - Mozilla Firefox");
    ASSERT_TRUE(vaultFrame && privateFrame);
    const auto reader = recording.videoFiles().openReader(recording.hub().frameFile(*canvas.segmentPath));
    const std::optional<ostrel::BGRAImage> picture = reader->decodeFrame(*canvas.segmentIndex);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, 1920);
    EXPECT_TRUE(isBlankAt(*picture, *vaultFrame)) << "the excluded application's window";
    EXPECT_TRUE(isBlankAt(*picture, *privateFrame)) << "the private browser window";
    const auto canvasFrame = frameOfWindow("Fixture Canvas");
    ASSERT_TRUE(canvasFrame);
    EXPECT_FALSE(isBlankAt(*picture, *canvasFrame)) << "the window that was kept";
}

// A process that was recording ends without warning: at most the moment in flight is lost, and the
// store opens clean, its open segments repaired to the frames that survive.
TEST(RecorderEndToEndTest, AKilledRecorderLosesAtMostTheMomentInFlight) {
    REQUIRE_DESKTOP_SESSION();
    FixtureApp fixture;
    ASSERT_TRUE(fixture.started());
    ASSERT_TRUE(fixture.canvas(100, 700, 700, 250, "CORMORANT", "Fixture Canvas"));
    testsupport::DataFolder data;
    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(QStringLiteral(VESPERLINE_RECORDING_HOST), {QString::fromStdString(data.path().string())});
    ASSERT_TRUE(host.waitForStarted(10000));
    int savedCount = 0;
    const auto readSaved = [&] {
        while (host.canReadLine()) {
            savedCount += QString::fromUtf8(host.readLine()).startsWith("saved ") ? 1 : 0;
        }
    };
    const QStringList windows = {"Fixture Notes", "Fixture Canvas", "Fixture Logbook"};
    for (int round = 0; savedCount < 4 && round < 30; ++round) {
        activate(windows[round % windows.size()]);
        waitUntil(
            [&] {
                host.waitForReadyRead(50);
                readSaved();
                return false;
            },
            1.5);
    }
    ASSERT_GE(savedCount, 4);
    ::kill(static_cast<pid_t>(host.processId()), SIGKILL);
    ASSERT_TRUE(host.waitForFinished(10000));
    readSaved();

    StoreHub hub(data.path());
    EXPECT_EQ(
        hub.readSync([](MemoryStore& store) { return store.db().scalarText("PRAGMA integrity_check"); }),
        "ok");
    platform::FFmpegVideoFiles files;
    SegmentManager::recoverOpenSegments(hub, files);
    const std::int64_t kept =
        *hub.readSync([](MemoryStore& store) { return store.db().scalarInt("SELECT COUNT(*) FROM frames"); });
    EXPECT_GE(kept, savedCount) << "every moment reported saved is there";
    EXPECT_TRUE(hub.readSync([](MemoryStore& store) { return store.openSegments(); }).empty());
    // Every picture the store still points to decodes.
    const auto pictures = hub.readSync([](MemoryStore& store) {
        return store.db().query(
            "SELECT s.path, f.segment_index FROM frames f JOIN segments s ON s.id = f.segment_id", {}, false,
            [](const ostrel::SQLRow& row) { return std::pair(row.text(0).value_or(""), row.int64(1)); });
    });
    EXPECT_FALSE(pictures.empty());
    for (const auto& [path, index] : pictures) {
        EXPECT_TRUE(files.openReader(hub.frameFile(path))->decodeFrame(index)) << path << " " << index;
    }
}

} // namespace
} // namespace vesperline::desktoptest
