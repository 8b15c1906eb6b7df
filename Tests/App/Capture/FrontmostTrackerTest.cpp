#include "Capture/FrontmostTracker.h"
#include "Platform/Fake/FakeWorkspace.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::RunningApplication;

const RunningApplication editor{10, "org.example.Editor", "Editor"};

class FrontmostTrackerTest : public ::testing::Test {
  protected:
    FrontmostTrackerTest() {
        tracker.setOnChange([this](const std::optional<FrontmostApp>& app) { changes.push_back(app); });
    }

    platform::FakeWorkspace workspace;
    FrontmostTracker tracker;
    std::vector<std::optional<FrontmostApp>> changes;
};

TEST_F(FrontmostTrackerTest, ReportsOnlyRealChanges) {
    workspace.frontmost = editor;
    tracker.start(workspace);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], (FrontmostApp{10, "org.example.Editor", "Editor"}));
    EXPECT_EQ(tracker.current(), changes[0]);

    workspace.activate(editor);
    EXPECT_EQ(changes.size(), 1u) << "the same application again is no change";

    workspace.activate(RunningApplication{10, "org.example.Editor", "Editeur"});
    EXPECT_EQ(changes.size(), 2u) << "another name is a change";

    workspace.activate(std::nullopt);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[2], std::nullopt) << "to none is a change";
    EXPECT_EQ(tracker.current(), std::nullopt);

    workspace.activate(std::nullopt);
    EXPECT_EQ(changes.size(), 3u) << "none twice is not";
}

TEST_F(FrontmostTrackerTest, StartingAgainRereadsWithoutASecondObserver) {
    tracker.start(workspace);
    EXPECT_TRUE(changes.empty()) << "none at first, and none before: no change";
    workspace.frontmost = editor;
    tracker.start(workspace);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(workspace.handlersSet, 1);
}

TEST_F(FrontmostTrackerTest, ActivationsAfterTheTrackerIsGoneDoNothing) {
    auto shortLived = std::make_unique<FrontmostTracker>();
    int calls = 0;
    shortLived->setOnChange([&](const std::optional<FrontmostApp>&) { ++calls; });
    shortLived->start(workspace);
    shortLived.reset();
    workspace.activate(editor);
    EXPECT_EQ(calls, 0);
}

TEST_F(FrontmostTrackerTest, TheSharedTrackerIsOne) {
    EXPECT_EQ(&FrontmostTracker::shared(), &FrontmostTracker::shared());
}

} // namespace
} // namespace vesperline
