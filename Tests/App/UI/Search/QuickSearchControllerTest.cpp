#include "UI/Search/QuickSearchController.h"
#include "Model/SearchModel.h"
#include "QuickSearchFixture.h"

#include <QTest>

using namespace vesperline;
using testsupport::Moment;
using Screen = QuickSearchController::Screen;

namespace {

class QuickSearchControllerTest : public QuickSearchFixture {
  protected:
    // Three moments of three windows, the newest first in the recent list.
    void storeThree() {
        older =
            store(Moment(now - 300).app("org.example.notes", "Notes").title("Harbour notes").lines({"tide"}));
        middle =
            store(Moment(now - 200).app("org.example.mail", "Mail").title("Harbour mail").lines({"tide"}));
        newest = store(Moment(now - 100)
                           .app("org.example.browser", "Browser")
                           .title("Harbour page")
                           .url("https://harbour.example.com/tides")
                           .lines({"tide"}));
    }

    std::string timeline(std::int64_t id) {
        const ostrel::Time timestamp =
            hub.readSync([&](ostrel::MemoryStore& memory) { return memory.frame(id)->timestamp; });
        return "timeline " + std::to_string(id) + " " + std::to_string(std::int64_t(timestamp));
    }

    std::int64_t older = 0;
    std::int64_t middle = 0;
    std::int64_t newest = 0;
};

TEST_F(QuickSearchControllerTest, TheFirstShowingBuildsThePanelAndLaterOnesReuseIt) {
    EXPECT_FALSE(controller.isVisible());
    controller.hide(); // nothing built yet: nothing to do
    EXPECT_EQ(controller.panel(), nullptr);

    showAndSettle();
    QuickSearchPanel* panel = controller.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(900, 560));
    EXPECT_TRUE(
        panel->windowFlags().testFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(controller.isVisible());
    EXPECT_EQ(activation.activated, std::vector<std::uintptr_t>{panel->winId()})
        << "asked of the window manager";
    EXPECT_EQ(controller.search().focusToken(), 1);
    EXPECT_EQ(QApplication::focusWidget(), &field());

    controller.hide();
    EXPECT_FALSE(controller.isVisible());
    showAndSettle();
    EXPECT_EQ(controller.panel(), panel);
    EXPECT_EQ(activation.activated.size(), 2u);
    EXPECT_EQ(controller.search().focusToken(), 2) << "each showing focuses the field again";
}

TEST_F(QuickSearchControllerTest, EachShowingSearchesAtOnceKeepingTextAndFiltersAndListsTheApps) {
    storeThree();
    showAndSettle();
    EXPECT_TRUE(controller.search().showingRecent());
    EXPECT_EQ(ids(controller.search().results()), (std::vector<std::int64_t>{newest, middle, older}));
    EXPECT_EQ(controller.search().apps().size(), 3u);

    QTest::keyClicks(&field(), "mail");
    controller.hide();
    // The typing pause never ends while hidden; the next showing searches without waiting for it.
    showAndSettle();
    EXPECT_EQ(field().text(), "mail");
    EXPECT_FALSE(controller.search().showingRecent());
    EXPECT_EQ(ids(controller.search().results()), std::vector<std::int64_t>{middle});
    EXPECT_EQ(field().selectedText(), "mail") << "the kept text is chosen, also once its search is done";

    // Typing replaces it.
    QTest::keyClicks(&field(), "notes");
    delays.advance(SearchModel::debounceSeconds);
    settle();
    EXPECT_EQ(field().text(), "notes");
    EXPECT_EQ(ids(controller.search().results()), std::vector<std::int64_t>{older});
}

TEST_F(QuickSearchControllerTest, ArrowsMoveTheSelectionWithinTheResultsAndOtherKeysReachTheField) {
    storeThree();
    controller.show();
    controller.show(); // showing twice still watches the keys once: each arrow moves one step
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.panel()));
    settle();
    ASSERT_EQ(controller.search().selection(), newest);

    QTest::keyClick(&field(), Qt::Key_Up);
    EXPECT_EQ(controller.search().selection(), newest) << "up on the first stays";
    QTest::keyClick(&field(), Qt::Key_Down);
    EXPECT_EQ(controller.search().selection(), middle);
    QTest::keyClick(&field(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(controller.search().selection(), older) << "modified arrows act as the plain ones";
    QTest::keyClick(&field(), Qt::Key_Down);
    EXPECT_EQ(controller.search().selection(), older) << "down on the last stays";

    QTest::keyClicks(&field(), "tidx");
    QTest::keyClick(&field(), Qt::Key_Left);
    QTest::keyClick(&field(), Qt::Key_Backspace);
    EXPECT_EQ(field().text(), "tix");
    EXPECT_EQ(field().cursorPosition(), 2);
    EXPECT_TRUE(controller.isVisible());
}

TEST_F(QuickSearchControllerTest, ReturnHidesThePanelThenCountsAFindAndOpensTheSelectedMoment) {
    storeThree();
    showAndSettle();
    QTest::keyClick(&field(), Qt::Key_Down);
    QTest::keyClick(&field(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_FALSE(controller.isVisible());
    EXPECT_EQ(log, (std::vector<std::string>{"find", timeline(middle)})) << "the panel was gone first";

    // With nothing to open, Return keeps the panel up; Escape closes it.
    showAndSettle();
    QTest::keyClicks(&field(), "nowhere");
    delays.advance(SearchModel::debounceSeconds);
    settle();
    ASSERT_TRUE(controller.search().results().empty());
    log.clear();
    QTest::keyClick(&field(), Qt::Key_Enter);
    EXPECT_TRUE(controller.isVisible());
    EXPECT_TRUE(log.empty());
    QTest::keyClick(&field(), Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_FALSE(controller.isVisible());
}

TEST_F(QuickSearchControllerTest, CtrlReturnOpensOnlyWebAndFileAddressesAndOtherwiseTheTimeline) {
    struct Case {
        std::optional<std::string> url;
        Qt::KeyboardModifiers modifiers;
        bool opensLink;
    };
    const Case cases[] = {
        {"https://harbour.example.com/tides", Qt::ControlModifier, true},
        {"file:///home/user/tides.pdf", Qt::ControlModifier, true},
        {"https://harbour.example.com/tides", Qt::ShiftModifier, false},
        {"javascript:alert(1)", Qt::ControlModifier, false},
        {"httpx://harbour.example.com", Qt::ControlModifier, false},
        {"harbour.example.com/tides", Qt::ControlModifier, false},
        {std::nullopt, Qt::ControlModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.value_or("(none)"));
        const std::int64_t id = store(Moment(now - 10).app("org.example.browser", "Browser").url(c.url));
        showAndSettle();
        ASSERT_EQ(controller.search().selection(), id);
        log.clear();
        QTest::keyClick(&field(), Qt::Key_Return, c.modifiers);
        EXPECT_FALSE(controller.isVisible());
        EXPECT_EQ(log, (std::vector<std::string>{"find", c.opensLink ? "open " + *c.url : timeline(id)}));
        hub.sync([&](ostrel::MemoryStore& memory) { memory.deleteFrames({id}); });
    }
}

TEST_F(QuickSearchControllerTest, LosingTheKeyboardHidesThePanelAndKeysElsewhereAreLeftAlone) {
    storeThree();
    showAndSettle();
    QLineEdit other;
    other.setWindowTitle("Another window");
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(controller.isVisible());

    // The keys are no longer watched: they reach the other window untouched.
    const std::optional<std::int64_t> selected = controller.search().selection();
    QTest::keyClicks(&other, "ab");
    QTest::keyClick(&other, Qt::Key_Left);
    QTest::keyClick(&other, Qt::Key_Down);
    QTest::keyClick(&other, Qt::Key_Escape);
    EXPECT_EQ(other.text(), "ab");
    EXPECT_EQ(other.cursorPosition(), 1);
    EXPECT_EQ(controller.search().selection(), selected);
    EXPECT_TRUE(log.empty());
}

TEST_F(QuickSearchControllerTest, ThePanelGoesOnTheScreenUnderThePointer) {
    const QSize size(900, 560);
    const Screen left{{0, 0, 1920, 1080}, {0, 30, 1920, 1050}};
    const Screen right{{1920, 0, 2560, 1440}, {1920, 0, 2560, 1400}};
    const Screen low{{0, 0, 1280, 600}, {0, 20, 1280, 560}};
    struct Case {
        const char* name;
        QPoint pointer;
        std::vector<Screen> screens;
        std::optional<Screen> mainScreen;
        std::optional<QPoint> origin;
    };
    const Case cases[] = {
        // Centre 38 % down the visible area: 30 + 399 - 280.
        {"main screen", {100, 100}, {left, right}, left, QPoint(510, 149)},
        {"second screen", {2000, 700}, {left, right}, left, QPoint(1920 + 830, 532 - 280)},
        {"pointer on no screen", {-50, -50}, {left, right}, right, QPoint(1920 + 830, 252)},
        // Too low for both margins: the bottom one holds, the top overhangs.
        {"low screen", {10, 10}, {low}, low, QPoint(190, 20 + 560 - 20 - 560)},
        // 266 - 280 would reach above the upper margin, which holds as there is room below.
        {"short screen",
         {10, 10},
         {Screen{{0, 0, 1000, 700}, {0, 0, 1000, 700}}},
         std::nullopt,
         QPoint(50, 20)},
        {"no screen", {10, 10}, {}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuickSearchController::placement(c.pointer, c.screens, c.mainScreen, size), c.origin)
            << c.name;
    }
}

} // namespace
