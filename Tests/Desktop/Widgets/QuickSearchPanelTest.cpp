// The quick-search panel on a real desktop: the global hot key brings it up over the fixture
// application with the keyboard in its field (the window manager hands it the focus), typing finds
// the fixture's moments, the arrows move the selection, Return opens the selected moment and
// hides the panel, and Escape or another window taking the keyboard hides it. In the whole
// application, Return brings up the main window's timeline at the selected moment.
#include "DesktopSession.h"

#include "App/Model/AppModelFixture.h"

#include "Model/HotKeyManager.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeLoginItem.h"
#include "Platform/Linux/X11GlobalShortcut.h"
#include "Platform/Linux/X11WindowActivation.h"
#include "Platform/Linux/X11WindowOcclusion.h"
#include "Platform/Linux/X11WindowPixels.h"
#include "Store/StoreHub.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Main/WindowManager.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Search/QuickSearchPanel.h"
#include "UI/Timeline/TimelineScreen.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace vesperline {
namespace {

using desktoptest::runTool;
using desktoptest::waitUntil;
using testsupport::Moment;

constexpr const char* fixtureID = "org.vesperline.DesktopFixture";

// Types with xdotool while the application goes on handling its events, as it does while the user
// types.
void input(const QStringList& arguments) {
    QProcess tool;
    tool.start("xdotool", arguments);
    ASSERT_TRUE(waitUntil([&] { return tool.state() == QProcess::NotRunning; }));
}

QString activeWindowName() {
    return runTool("xdotool", {"getactivewindow", "getwindowname"}).trimmed();
}

// The user works in the fixture's notes window.
void activateFixture() {
    runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});
    ASSERT_TRUE(waitUntil([] { return activeWindowName() == "Fixture Notes"; }));
}

QLineEdit* field(const QuickSearchController& controller) {
    return controller.panel()->findChild<QLineEdit*>("searchField");
}

// Presses the hot key and waits until the panel has the keyboard, with the insertion point in its
// field, as far as the X server and the application both know.
void pressHotKeyAndWaitForThePanel(const QuickSearchController& controller) {
    input({"key", "super+shift+space"});
    ASSERT_TRUE(waitUntil([&] { return controller.isVisible(); })) << "the hot key shows the panel";
    QWidget* panel = controller.panel();
    ASSERT_TRUE(waitUntil([&] { return panel->isActiveWindow(); })) << "the panel takes the keyboard";
    EXPECT_EQ(activeWindowName(), "Quick Search");
    EXPECT_EQ(runTool("xdotool", {"getactivewindow"}).trimmed().toULongLong(), panel->winId());
    EXPECT_EQ(QApplication::focusWidget(), field(controller));
}

// What the recorder kept of the fixture's two windows a few minutes before `now`, the logbook last,
// and a mail of a minute ago.
struct FixtureMoments {
    std::int64_t notes = 0;
    std::int64_t logbook = 0;

    FixtureMoments(StoreHub& hub, ostrel::Time now) {
        hub.sync([&](ostrel::MemoryStore& memory) {
            notes =
                memory.insertFrame(Moment(now - 300)
                                       .app(fixtureID, "DesktopFixture")
                                       .title("Fixture Notes")
                                       .lines({"Quarterly harbour report", "Tide tables arrive on Tuesday"}));
            logbook = memory.insertFrame(Moment(now - 120)
                                             .app(fixtureID, "DesktopFixture")
                                             .title("Fixture Logbook")
                                             .lines({"Logbook line 1 of the long harbour record"}));
            memory.insertFrame(
                Moment(now - 60).app("org.example.mail", "Mail").title("Inbox").lines({"Lunch on Friday"}));
        });
    }
};

// The ids of the results, in their order.
std::vector<std::int64_t> results(QuickSearchController& controller) {
    std::vector<std::int64_t> ids;
    for (const ostrel::SearchHit& hit : controller.search().results()) {
        ids.push_back(hit.frame.id);
    }
    return ids;
}

// Waits until typing "harbour" lists the two fixture moments, and gives them in their order.
std::vector<std::int64_t> typeHarbour(QuickSearchController& controller, const FixtureMoments& moments) {
    input({"type", "--delay", "20", "harbour"});
    const bool found = waitUntil([&] {
        std::vector<std::int64_t> ids = results(controller);
        std::sort(ids.begin(), ids.end());
        return ids == std::vector<std::int64_t>{moments.notes, moments.logbook};
    });
    EXPECT_TRUE(found) << "typing searches";
    EXPECT_EQ(field(controller)->text(), "harbour");
    return found ? results(controller) : std::vector<std::int64_t>{};
}

class QuickSearchPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        moments.emplace(hub, systemClock().now());

        QuickSearchController::Actions actions;
        actions.recordFind = [this] { ++finds; };
        actions.openTimeline = [this](std::int64_t id, ostrel::Time) {
            opened.push_back(id);
            panelShownWhenOpened = controller->isVisible();
        };
        controller = std::make_unique<QuickSearchController>(QuickSearchController::Services{
            .hub = hub,
            .actions = std::move(actions),
            .activation = activation,
            .applications = applications,
            .thumbnails = [](const std::string&, std::int64_t,
                             std::int64_t) { return QtFuture::makeReadyFuture(std::optional<QImage>()); },
            .pictures =
                [](const std::string&, std::int64_t, std::int64_t, FrameImageLoader::Size) {
                    return QtFuture::makeReadyFuture(std::optional<QImage>());
                },
        });

        // The panel alone: the hot key toggles it here as the window manager does in the application.
        hotKey = std::make_unique<HotKeyManager>(shortcut);
        hotKey->setOnPress([this] { controller->isVisible() ? controller->hide() : controller->show(); });
        ASSERT_TRUE(hotKey->registerCombo(HotKeyCombo{}));

        ASSERT_TRUE(fixture.started());
        activateFixture();
    }

    testsupport::DataFolder data;
    StoreHub hub{data.path()};
    platform::X11GlobalShortcut shortcut;
    platform::X11WindowActivation activation;
    platform::FakeInstalledApplications applications;
    desktoptest::FixtureApp fixture;
    std::unique_ptr<QuickSearchController> controller;
    std::unique_ptr<HotKeyManager> hotKey;
    std::optional<FixtureMoments> moments;
    int finds = 0;
    std::vector<std::int64_t> opened;
    bool panelShownWhenOpened = true;
};

TEST_F(QuickSearchPanelTest, TheHotKeyFindsAFixtureMomentAndReturnOpensTheSelectedOne) {
    pressHotKeyAndWaitForThePanel(*controller);
    const QRect screen = controller->panel()->screen()->availableGeometry();
    EXPECT_EQ(controller->panel()->geometry().center().x(), screen.center().x()) << "centred on the screen";

    const std::vector<std::int64_t> found = typeHarbour(*controller, *moments);
    ASSERT_EQ(found.size(), 2u);
    const std::int64_t first = found[0];
    const std::int64_t second = found[1];
    EXPECT_EQ(controller->search().selection(), first);

    input({"key", "Down"});
    ASSERT_TRUE(waitUntil([&] { return controller->search().selection() == second; }));
    input({"key", "Up"});
    ASSERT_TRUE(waitUntil([&] { return controller->search().selection() == first; }));
    input({"key", "Down"});
    ASSERT_TRUE(waitUntil([&] { return controller->search().selection() == second; }));

    input({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<std::int64_t>{second});
    EXPECT_EQ(finds, 1);
    EXPECT_FALSE(panelShownWhenOpened) << "the panel is gone before the moment opens";
    EXPECT_FALSE(controller->isVisible());
    EXPECT_TRUE(waitUntil([] { return activeWindowName() == "Fixture Notes"; }))
        << "the keyboard goes back to the window the user worked in";
}

TEST_F(QuickSearchPanelTest, EscapeAndAnotherWindowTakingTheKeyboardHideThePanel) {
    pressHotKeyAndWaitForThePanel(*controller);
    input({"type", "tide"});
    input({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !controller->isVisible(); }));
    EXPECT_TRUE(opened.empty());

    // Shown again, it keeps its text, chosen, and what the user types then replaces it, also when
    // the search for the kept text has come in first.
    pressHotKeyAndWaitForThePanel(*controller);
    EXPECT_EQ(field(*controller)->text(), "tide");
    ASSERT_TRUE(waitUntil([&] { return !controller->search().isSearching(); }));
    EXPECT_EQ(field(*controller)->selectedText(), "tide");
    typeHarbour(*controller, *moments);

    // The user clicks back into the fixture.
    activateFixture();
    EXPECT_TRUE(waitUntil([&] { return !controller->isVisible(); }));

    // The hot key brings it back once more, and a second press hides it.
    pressHotKeyAndWaitForThePanel(*controller);
    input({"key", "super+shift+space"});
    EXPECT_TRUE(waitUntil([&] { return !controller->isVisible(); }));
    EXPECT_EQ(finds, 0);
}

// The whole application over the session's keyboard and window manager: the app model with its hot
// key on the X server, and the window manager with its quick-search panel and main window.
class QuickSearchInTheApplicationTest : public testing::AppModelFixture {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        shortcutInUse = &x11Shortcut;
        launch();
        moments.emplace(model->hub(), clock.now());
        manager = std::make_unique<WindowManager>(
            *model,
            WindowManager::Services{applications, activation, fileViewer, loginItem, occlusion, pixels, {}});
        ASSERT_TRUE(fixture.started());
        activateFixture();
    }
    void TearDown() override {
        manager.reset();
        AppModelFixture::TearDown();
    }

    platform::X11GlobalShortcut x11Shortcut;
    platform::X11WindowActivation activation;
    platform::X11WindowOcclusion occlusion;
    platform::X11WindowPixels pixels;
    platform::FakeInstalledApplications applications;
    platform::FakeFileViewer fileViewer;
    platform::FakeLoginItem loginItem;
    desktoptest::FixtureApp fixture;
    std::unique_ptr<WindowManager> manager;
    std::optional<FixtureMoments> moments;
};

TEST_F(QuickSearchInTheApplicationTest, ReturnOpensTheMainWindowsTimelineAtTheSelectedMoment) {
    QuickSearchController& panel = manager->quickSearch();
    pressHotKeyAndWaitForThePanel(panel);
    const std::vector<std::int64_t> found = typeHarbour(panel, *moments);
    ASSERT_EQ(found.size(), 2u);
    input({"key", "Down"});
    ASSERT_TRUE(waitUntil([&] { return panel.search().selection() == found[1]; }));
    EXPECT_FALSE(manager->mainWindow()) << "no main window before the moment is opened";

    input({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return manager->mainWindow() && manager->mainWindow()->isActiveWindow(); }))
        << "the main window comes up with the keyboard";
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(model->section(), AppModel::Section::timeline);
    EXPECT_EQ(activeWindowName(), MainWindow::title(AppModel::Section::timeline));
    const auto shown = [&]() -> std::optional<std::int64_t> {
        auto* timeline = qobject_cast<TimelineScreen*>(manager->mainWindow()->screen());
        if (!timeline) {
            return std::nullopt;
        }
        const std::optional<ostrel::FrameSummary> frame = timeline->controller().shownFrame();
        return frame ? std::optional(frame->id) : std::nullopt;
    };
    EXPECT_TRUE(waitUntil([&] { return shown() == found[1]; })) << "the timeline shows the selected moment";
}

} // namespace
} // namespace vesperline
