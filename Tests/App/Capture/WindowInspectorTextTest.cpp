// The text walk of a window on fake trees: which nodes give text, and the node, character and time
// budgets.
#include "Capture/WindowInspector.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeWindowServer.h"
#include "Support/ManualClock.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::FakeAccessibleNode;

FakeAccessibleNode text(AccessibleRole role, std::string value,
                        std::optional<ostrel::Rect> frame = std::nullopt) {
    FakeAccessibleNode node{role};
    node.value = std::move(value);
    node.frame = frame;
    return node;
}

FakeAccessibleNode staticText(std::string value) {
    return text(AccessibleRole::staticText, std::move(value));
}

class WindowInspectorTextTest : public ::testing::Test {
  protected:
    WindowInspector::Text read(std::optional<ostrel::Rect> visible = std::nullopt, int maxNodes = 1500,
                               int maxCharacters = 30000, double seconds = 0.07) {
        return inspector.readText(window, visible, maxNodes, maxCharacters, seconds);
    }

    platform::FakeAccessibility ax;
    platform::FakeWindowServer windowServer;
    testsupport::ManualClock clock{1'750'000'000, 1000};
    WindowInspector inspector{ax, windowServer, clock};
    AccessibleElement window = ax.add({AccessibleRole::window});
};

TEST_F(WindowInspectorTextTest, ReadsInDocumentOrderWithoutHiddenOrSecretText) {
    const AccessibleElement form = ax.add({}, window);
    ax.add(staticText("First heading"), form);
    ax.add(text(AccessibleRole::textField, "typed words"), form);
    ax.add(text(AccessibleRole::secureTextField, "hunter2"), form);
    const AccessibleElement menuBar = ax.add({AccessibleRole::menuBar}, window);
    ax.add(staticText("File"), menuBar);
    const AccessibleElement scrollBar = ax.add({AccessibleRole::scrollBar}, window);
    ax.add(staticText("Page 3"), scrollBar);
    ax.add(staticText("   \n "), window);
    ax.add(staticText("  padded  "), window);
    const AccessibleElement label = ax.add(staticText("Label"), window);
    ax.add(staticText("inside a label"), label);
    const AccessibleElement combo = ax.add(text(AccessibleRole::comboBox, "chosen"), window);
    ax.add(staticText("option list"), combo);
    ax.at(ax.add(staticText("unreadable"), window)).readable = false;

    const WindowInspector::Text result = read();
    EXPECT_EQ(result.text, "First heading\ntyped words\n  padded  \nLabel\nchosen\noption list");
    EXPECT_TRUE(result.complete);
    // Every node but those under the menu bar, the scroll bar and the label was visited.
    EXPECT_EQ(result.nodesVisited, 13);
}

TEST_F(WindowInspectorTextTest, AWebPageGivesItsParagraphsAndOnlyTheShownTabsPage) {
    // As Firefox gives a page: parts of the document hold their own text around their children.
    const AccessibleElement shownTab = ax.add({AccessibleRole::webArea}, window);
    ax.add(text(AccessibleRole::textBlock, "Heading of the page"), shownTab);
    const AccessibleElement paragraph =
        ax.add(text(AccessibleRole::textBlock, "A paragraph with a  in it."), shownTab);
    ax.add(text(AccessibleRole::textBlock, "link"), paragraph);
    const AccessibleElement list = ax.add({AccessibleRole::list}, shownTab);
    ax.add(text(AccessibleRole::textBlock, "First item"), list);
    ax.add(text(AccessibleRole::textBlock, ""), shownTab); // a section of children only
    FakeAccessibleNode otherTab{AccessibleRole::webArea};
    otherTab.showing = false;
    ax.add(text(AccessibleRole::textBlock, "Text of a tab behind"), ax.add(otherTab, window));

    EXPECT_EQ(read().text, "Heading of the page\nA paragraph with a  in it.\nlink\nFirst item");
}

TEST_F(WindowInspectorTextTest, SkipsWhatLiesOutsideTheVisibleRectangle) {
    const AccessibleElement offscreen =
        ax.add(text(AccessibleRole::other, "", ostrel::Rect{0, 2000, 100, 100}), window);
    ax.add(staticText("below the fold"), offscreen);
    ax.add(text(AccessibleRole::staticText, "on screen", ostrel::Rect{10, 10, 100, 20}), window);
    ax.add(text(AccessibleRole::staticText, "no size", ostrel::Rect{0, 2000, 0, 0}), window);
    ax.add(staticText("no frame"), window);

    EXPECT_EQ(read(ostrel::Rect{0, 0, 800, 600}).text, "on screen\nno size\nno frame");
    EXPECT_EQ(read().text, "below the fold\non screen\nno size\nno frame")
        << "without a rectangle all is read";
}

TEST_F(WindowInspectorTextTest, LongTextYieldsOnlyItsVisibleRange) {
    const std::string longText = std::string(3000, 'a') + std::string(3001, 'b');
    FakeAccessibleNode area = text(AccessibleRole::textArea, longText);
    area.characterCount = 6001;
    area.visibleRange = platform::TextRange{2990, 20};
    const AccessibleElement element = ax.add(area, window);
    EXPECT_EQ(read().text, std::string(10, 'a') + std::string(10, 'b'));

    ax.at(element).characterCount = 6000;
    EXPECT_EQ(read().text, longText) << "at 6,000 characters the whole value";

    ax.at(element).characterCount = 6001;
    ax.at(element).visibleRange.reset();
    EXPECT_EQ(read().text, "") << "no visible range, no text: never the whole value";
}

TEST_F(WindowInspectorTextTest, ListsReadOnlyTheirVisibleChildrenWhenTheyCan) {
    const AccessibleElement list = ax.add({AccessibleRole::list}, window);
    ax.add(staticText("row 1"), list);
    const AccessibleElement shown = ax.add(staticText("row 2"), list);
    ax.at(list).visibleChildren = std::vector{shown};
    EXPECT_EQ(read().text, "row 2");

    ax.at(list).visibleChildren.reset();
    EXPECT_EQ(read().text, "row 1\nrow 2") << "without visible children, all children";
}

TEST_F(WindowInspectorTextTest, NodeBudget) {
    for (int i = 0; i < 1600; ++i) {
        ax.add({}, window);
    }
    const WindowInspector::Text result = read();
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.nodesVisited, 1501) << "the node that broke the budget is counted";
    EXPECT_EQ(ax.batchedReads, 1500);
}

TEST_F(WindowInspectorTextTest, CharacterBudgetIsTestedBeforeEachNode) {
    for (int i = 0; i < 5; ++i) {
        ax.add(staticText("ten chars" + std::to_string(i)), window);
    }
    const WindowInspector::Text result = read(std::nullopt, 1500, 25);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(result.text, "ten chars0\nten chars1\nten chars2") << "the last piece may pass the cap";

    // Characters are user-perceived characters: "é" as e + combining accent counts once.
    ax = {};
    window = ax.add({AccessibleRole::window});
    ax.add(staticText("e\xCC\x81"
                      "e\xCC\x81"),
           window);
    ax.add(staticText("next"), window);
    EXPECT_TRUE(read(std::nullopt, 1500, 2).complete);
}

TEST_F(WindowInspectorTextTest, TimeBudgetIsCheckedEvery16Nodes) {
    for (int i = 0; i < 100; ++i) {
        ax.add({}, window);
    }
    ax.onRead = [&] { clock.setUptime(clock.uptime() + 0.01); };
    const WindowInspector::Text late = read();
    EXPECT_FALSE(late.complete);
    EXPECT_EQ(late.nodesVisited, 16) << "15 reads of 10 ms pass the 70 ms at the first check";

    ax.onRead = [&] { clock.setUptime(clock.uptime() + 0.0001); };
    const WindowInspector::Text inTime = read();
    EXPECT_TRUE(inTime.complete);
    EXPECT_EQ(inTime.nodesVisited, 101);
}

} // namespace
} // namespace vesperline
