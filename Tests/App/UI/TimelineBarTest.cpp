#include "UI/Timeline/TimelineBar.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Store/Format.h"
#include "Support/ManualClock.h"
#include "Support/ViewPictures.h"
#include "UI/Timeline/TimelineBarTooltip.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <limits>

using namespace vesperline;

namespace {

// 2025-03-03 in the tests' zone (Istanbul, three hours ahead of UTC all year).
constexpr ostrel::Time midnight = 1740949200;
constexpr double hour = 3600;
constexpr ostrel::Time at(double hours, double minutes = 0, double seconds = 0) {
    return midnight + hours * hour + minutes * 60 + seconds;
}

using Frames = std::vector<ostrel::FrameSummary>;
using Spans = std::vector<ostrel::ActivitySpan>;

ostrel::FrameSummary moment(ostrel::Time time, std::optional<std::string> bundle, const char* title) {
    ostrel::FrameSummary frame;
    frame.timestamp = time;
    frame.appBundleID = bundle;
    frame.appName = "App";
    frame.windowTitle = title;
    return frame;
}

class TimelineBarTest : public ::testing::Test {
  protected:
    // A window holding the bar at its top and room below for the tooltip.
    std::unique_ptr<QWidget> window(TimelineBar*& bar, int width = 900) {
        auto holder = std::make_unique<QWidget>();
        holder->resize(width, 90);
        auto* column = new QVBoxLayout(holder.get());
        column->setContentsMargins(0, 0, 0, 0);
        bar = new TimelineBar(applications, format, clock, holder.get());
        column->addWidget(bar);
        column->addStretch(1);
        return holder;
    }

    platform::FakeInstalledApplications applications;
    Format format{"en_US", "Europe/Istanbul"};
    testsupport::ManualClock clock{at(12)};
};

// Three moments of one morning: a range of half an hour around 09:10, so x = 450 is 09:10 on a bar
// 900 points wide and every 30 points is a minute.
std::shared_ptr<const Frames> threeMoments() {
    return std::make_shared<const Frames>(Frames{moment(at(9), "org.example.Editor", "Notes"),
                                                 moment(at(9, 10), "org.example.Browser", "News"),
                                                 moment(at(9, 20), "org.example.Editor", "Plan")});
}

} // namespace

TEST_F(TimelineBarTest, PressAndDragPickTheNearestMomentAndScrubUntilRelease) {
    TimelineBar* bar = nullptr;
    auto holder = window(bar);
    holder->show();
    bar->setMoments(threeMoments(), std::make_shared<const Spans>());
    ASSERT_EQ(bar->width(), 900);
    QSignalSpy picked(bar, &TimelineBar::indexPicked);
    QSignalSpy scrubbing(bar, &TimelineBar::scrubbingChanged);

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(440, 30));
    ASSERT_EQ(scrubbing.count(), 1);
    EXPECT_TRUE(scrubbing.at(0).at(0).toBool());
    struct Step {
        int x;
        int expected;
    };
    // 300 is 09:05, halfway between the first two: the later one.
    for (const Step& step : {Step{300, 1}, Step{299, 0}, Step{-40, 0}, Step{1000, 2}, Step{1000, 2}}) {
        QTest::mouseMove(bar, QPoint(step.x, 30));
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1000, 30));
    std::vector<int> indices;
    for (const QList<QVariant>& signal : picked) {
        indices.push_back(signal.at(0).toInt());
    }
    EXPECT_EQ(indices, std::vector<int>({1, 1, 0, 0, 2, 2}))
        << "every change is reported, also the same index";
    ASSERT_EQ(scrubbing.count(), 2);
    EXPECT_FALSE(scrubbing.at(1).at(0).toBool());

    // A bar without moments still takes a press.
    bar->setMoments(std::make_shared<const Frames>(), std::make_shared<const Spans>());
    picked.clear();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(100, 30));
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).toInt(), 0);
    EXPECT_FALSE(bar->markerRect());
    EXPECT_TRUE(bar->hourMarks().empty());

    // Hidden in the middle of a drag: the drag ends, so scrubbing does not stay on.
    scrubbing.clear();
    holder->hide();
    ASSERT_EQ(scrubbing.count(), 1);
    EXPECT_FALSE(scrubbing.at(0).at(0).toBool());
    // The button comes up again, so the next test's pointer moves without one held.
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(100, 30));
}

TEST_F(TimelineBarTest, TheMarkerSitsOnTheShownMomentOnlyWhenThereIsOne) {
    TimelineBar* bar = nullptr;
    auto holder = window(bar);
    holder->show();
    bar->setMoments(threeMoments(), std::make_shared<const Spans>());
    struct Case {
        int index;
        std::optional<QRectF> expected;
    };
    for (const Case& testCase : {Case{-1, std::nullopt}, Case{3, std::nullopt},
                                 Case{1, QRectF(448, 14, 4, 38)}, Case{0, QRectF(148, 14, 4, 38)}}) {
        bar->setIndex(testCase.index);
        EXPECT_EQ(bar->markerRect(), testCase.expected) << testCase.index;
    }
}

TEST_F(TimelineBarTest, TheTooltipNamesTheMomentUnderThePointerAndStaysInsideTheBar) {
    TimelineBar* bar = nullptr;
    auto holder = window(bar);
    holder->show();
    bar->setMoments(threeMoments(), std::make_shared<const Spans>());
    EXPECT_FALSE(bar->tooltip());

    struct Case {
        int x;
        int left;
        QString text;
    };
    const Case cases[] = {
        {890, 680, format.time(at(9, 20)) + " · Plan"},
        {500, 420, format.time(at(9, 10)) + " · News"},
        {30, 0, format.time(at(9)) + " · Notes"},
    };
    for (const Case& testCase : cases) {
        // Through the window, as the window system reports a pointer that moves without a button.
        QTest::mouseMove(holder->windowHandle(), bar->mapTo(holder.get(), QPoint(testCase.x, 30)));
        const TimelineBarTooltip* tooltip = bar->tooltip();
        ASSERT_TRUE(tooltip) << testCase.x;
        EXPECT_EQ(tooltip->text(), testCase.text);
        EXPECT_EQ(tooltip->pos(), QPoint(testCase.left, 46)) << "just under the track";
        EXPECT_GT(tooltip->geometry().bottom(), bar->geometry().bottom()) << "it may reach below the bar";
    }
    EXPECT_TRUE(testsupport::savePicture(*holder, "timeline-bar-tooltip"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar, &leave);
    EXPECT_FALSE(bar->tooltip());
    EXPECT_FALSE(bar->hoverX());
}

TEST_F(TimelineBarTest, ASpanEndingFarInTheFuturePaintsABoundedNumberOfHourMarks) {
    TimelineBar* bar = nullptr;
    auto holder = window(bar);
    holder->show();
    ostrel::ActivitySpan runaway;
    runaway.start = at(9);
    runaway.end = at(9) + 1e12;
    runaway.appBundleID = "org.example.Editor";
    for (const ostrel::Time end : {at(9) + 1e12, std::numeric_limits<double>::infinity()}) {
        runaway.end = end;
        bar->setMoments(threeMoments(), std::make_shared<const Spans>(Spans{runaway}));
        EXPECT_EQ(bar->hourMarks().size(), static_cast<std::size_t>(TimelineBarGeometry::maximumHourMarks));
        EXPECT_FALSE(bar->grab().isNull());
    }
}

TEST_F(TimelineBarTest, ADayOfActivityRenders) {
    // A working day: spans of four apps (and one without an app) from 08:30 to 17:30, a moment every
    // two minutes, the shown one in the early afternoon.
    const char* apps[] = {"org.example.Editor", "org.example.Browser", "org.example.Mail",
                          "org.example.Terminal"};
    auto spans = std::make_shared<Spans>();
    auto frames = std::make_shared<Frames>();
    ostrel::Time start = at(8, 30);
    for (int i = 0; start < at(17, 30); ++i) {
        ostrel::ActivitySpan span;
        span.start = start;
        span.end = start + (12 + (i * 7) % 31) * 60;
        if (i % 9 != 8) {
            span.appBundleID = apps[(i * 5 + i / 3) % 4];
        }
        spans->push_back(span);
        for (ostrel::Time t = span.start; t < span.end; t += 120) {
            frames->push_back(moment(t, span.appBundleID, "Work"));
        }
        start = span.end + (i % 4 == 3 ? 25 * 60 : 0);
    }
    ASSERT_LT(frames->size(), static_cast<std::size_t>(TimelineBar::tickLimit));
    EXPECT_TRUE(testsupport::savePictures("timeline-bar-day", [&] {
        TimelineBar* bar = nullptr;
        auto holder = window(bar);
        bar->setMoments(frames, spans);
        bar->setIndex(static_cast<int>(frames->size() * 0.6));
        return holder;
    }));
    TimelineBar* bar = nullptr;
    auto holder = window(bar);
    bar->setMoments(frames, spans);
    EXPECT_EQ(bar->segments().size(), spans->size()) << "the spans give the blocks";
}
