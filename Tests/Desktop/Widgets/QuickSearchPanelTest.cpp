// The quick-search panel on a real desktop: the global hot key brings it up over the fixture
// application with the keyboard in its field (the window manager hands it the focus), typing finds
// the fixture's moments, the arrows move the selection, Return opens the selected moment and
// hides the panel, and Escape or another window taking the keyboard hides it.
#include "DesktopSession.h"

#include "Model/HotKeyManager.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Linux/X11GlobalShortcut.h"
#include "Platform/Linux/X11WindowActivation.h"
#include "Store/StoreHub.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Search/QuickSearchController.h"
#include "UI/Search/QuickSearchPanel.h"

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

class QuickSearchPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DESKTOP_SESSION();
        // What the recorder kept of the fixture's two windows a few minutes ago, the logbook last.
        const ostrel::Time now = systemClock().now();
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

        // Until the window manager of the application does it, the hot key toggles the panel here.
        hotKey = std::make_unique<HotKeyManager>(shortcut);
        hotKey->setOnPress([this] { controller->isVisible() ? controller->hide() : controller->show(); });
        ASSERT_TRUE(hotKey->registerCombo(HotKeyCombo{}));

        ASSERT_TRUE(fixture.started());
        activateFixture();
    }

    // Types with xdotool while the application goes on handling its events, as it does while the
    // user types.
    static void input(const QStringList& arguments) {
        QProcess tool;
        tool.start("xdotool", arguments);
        ASSERT_TRUE(waitUntil([&] { return tool.state() == QProcess::NotRunning; }));
    }

    // The user works in the fixture's notes window.
    void activateFixture() {
        runTool("xdotool", {"search", "--name", "^Fixture Notes$", "windowactivate", "--sync"});
        ASSERT_TRUE(waitUntil([] { return activeWindowName() == "Fixture Notes"; }));
    }

    static QString activeWindowName() {
        return runTool("xdotool", {"getactivewindow", "getwindowname"}).trimmed();
    }

    // Presses the hot key and waits until the panel has the keyboard, with the insertion point in
    // its field, as far as the X server and the application both know.
    void pressHotKeyAndWaitForThePanel() {
        input({"key", "super+shift+space"});
        ASSERT_TRUE(waitUntil([&] { return controller->isVisible(); })) << "the hot key shows the panel";
        QWidget* panel = controller->panel();
        ASSERT_TRUE(waitUntil([&] { return panel->isActiveWindow(); })) << "the panel takes the keyboard";
        EXPECT_EQ(activeWindowName(), "Quick Search");
        EXPECT_EQ(runTool("xdotool", {"getactivewindow"}).trimmed().toULongLong(), panel->winId());
        EXPECT_EQ(QApplication::focusWidget(), field());
    }

    QLineEdit* field() const { return controller->panel()->findChild<QLineEdit*>("searchField"); }
    std::vector<std::int64_t> results() const {
        std::vector<std::int64_t> ids;
        for (const ostrel::SearchHit& hit : controller->search().results()) {
            ids.push_back(hit.frame.id);
        }
        return ids;
    }

    testsupport::DataFolder data;
    StoreHub hub{data.path()};
    platform::X11GlobalShortcut shortcut;
    platform::X11WindowActivation activation;
    platform::FakeInstalledApplications applications;
    desktoptest::FixtureApp fixture;
    std::unique_ptr<QuickSearchController> controller;
    std::unique_ptr<HotKeyManager> hotKey;
    std::int64_t notes = 0;
    std::int64_t logbook = 0;
    int finds = 0;
    std::vector<std::int64_t> opened;
    bool panelShownWhenOpened = true;
};

TEST_F(QuickSearchPanelTest, TheHotKeyFindsAFixtureMomentAndReturnOpensTheSelectedOne) {
    pressHotKeyAndWaitForThePanel();
    const QRect screen = controller->panel()->screen()->availableGeometry();
    EXPECT_EQ(controller->panel()->geometry().center().x(), screen.center().x()) << "centred on the screen";

    input({"type", "--delay", "20", "harbour"});
    ASSERT_TRUE(waitUntil([&] {
        std::vector<std::int64_t> found = results();
        std::sort(found.begin(), found.end());
        return found == std::vector<std::int64_t>{notes, logbook};
    })) << "typing searches";
    EXPECT_EQ(field()->text(), "harbour");
    const std::int64_t first = results()[0];
    const std::int64_t second = results()[1];
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
    pressHotKeyAndWaitForThePanel();
    input({"type", "tide"});
    input({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !controller->isVisible(); }));
    EXPECT_TRUE(opened.empty());

    // Shown again, it keeps its text; the user clicks back into the fixture.
    pressHotKeyAndWaitForThePanel();
    EXPECT_EQ(field()->text(), "tide");
    activateFixture();
    EXPECT_TRUE(waitUntil([&] { return !controller->isVisible(); }));

    // The hot key brings it back once more, and a second press hides it.
    pressHotKeyAndWaitForThePanel();
    input({"key", "super+shift+space"});
    EXPECT_TRUE(waitUntil([&] { return !controller->isVisible(); }));
    EXPECT_EQ(finds, 0);
}

} // namespace
} // namespace vesperline
