#include "UI/Timeline/TimelineScreen.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"
#include "Support/ManualDelays.h"
#include "Support/Moment.h"
#include "Support/SettledReads.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ViewPictures.h"
#include "UI/Moment/MomentDetail.h"
#include "UI/Shared/DayNavigator.h"
#include "UI/Timeline/TimelineBar.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <future>

using namespace vesperline;
using testsupport::Moment;

namespace {

// 2025-03-03 in the tests' zone (Istanbul, three hours ahead of UTC all year).
constexpr ostrel::Time midnight = 1740949200;
constexpr ostrel::Time at(double hours, double minutes = 0) {
    return midnight + hours * 3600 + minutes * 60;
}

// A made-up screen: a window of the moment's app colour on a desktop, a few lines of "text".
QImage screenPicture(std::int64_t frameID) {
    QImage image(1600, 1000, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(52, 64, 84));
    const QRect window(120 + (frameID % 5) * 40, 90, 1200, 780);
    painter.fillRect(window, QColor(246, 246, 248));
    painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 44)), QColor(220, 222, 228));
    for (int line = 0; line < 14; ++line) {
        painter.fillRect(QRect(window.left() + 60, window.top() + 90 + line * 46,
                               700 + (line * 97 + frameID * 31) % 400, 14),
                         QColor(120, 126, 140));
    }
    return image;
}

class TimelineScreenTest : public ::testing::Test {
  protected:
    std::int64_t save(ostrel::Time time, const char* app, const char* name) {
        return hub.sync([&](ostrel::MemoryStore& store) {
            return store.insertFrame(Moment(time).app(app, name).title("Notes").inSegment(segment, index++));
        });
    }
    // Waits until the reads posted so far and what they report to the main thread are done.
    void settle() { testsupport::settleReads(hub); }
    std::unique_ptr<TimelineScreen> makeScreen() {
        MomentActions actions;
        actions.deleteFrames = [this](std::vector<std::int64_t> ids, std::function<void()> done) {
            hub.sync([&](ostrel::MemoryStore& store) { store.deleteFrames(ids); });
            done();
        };
        auto screen = std::make_unique<TimelineScreen>(TimelineScreen::Services{
            .moment =
                {
                    .hub = hub,
                    .images =
                        [this](const std::string&, std::int64_t, std::int64_t frameID,
                               FrameImageLoader::Size size) {
                            requests.push_back({frameID, size});
                            return QtFuture::makeReadyFuture(std::optional(screenPicture(frameID)));
                        },
                    .termBoxes = {},
                    .actions = std::move(actions),
                    .clock = clock,
                },
            .analyze = {},
            .applications = applications,
            .format = format,
            .delays = delays,
        });
        screen->resize(1000, 720);
        return screen;
    }
    static const MomentDetailController& detailOf(QWidget& screen) {
        return screen.findChild<MomentDetail*>("timelineDetail")->controller();
    }
    void fillTheMorning() {
        const char* apps[][2] = {{"org.example.Editor", "Editor"},
                                 {"org.example.Browser", "Browser"},
                                 {"org.example.Mail", "Mail"}};
        for (int i = 0; i < 90; ++i) {
            save(at(8, 30) + i * 120 + (i / 30) * 1200, apps[(i / 12) % 3][0], apps[(i / 12) % 3][1]);
        }
    }
    template <typename Widget> Widget* find(QWidget& screen, const char* name) {
        Widget* widget = screen.findChild<Widget*>(name);
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    QString pageOf(QWidget& screen) {
        return screen.findChild<QStackedWidget*>()->currentWidget()->objectName();
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{at(12)};
    testsupport::ManualDelays delays{clock};
    StoreHub hub{data.path(), clock};
    std::int64_t segment = hub.sync([](ostrel::MemoryStore& store) {
        return store.openSegment("segments/2025-03-03/1.mp4", 1, at(8), 1600, 1000);
    });
    std::int64_t index = 0;
    platform::FakeInstalledApplications applications;
    Format format{"en_US", "Europe/Istanbul"};
    std::vector<std::pair<std::int64_t, FrameImageLoader::Size>> requests;
};

} // namespace

TEST_F(TimelineScreenTest, ADayOfMomentsShowsTheNewestWithItsBarAndControls) {
    fillTheMorning();
    auto screen = makeScreen();
    screen->show();
    settle();
    const ostrel::FrameSummary newest = *screen->controller().shownFrame();
    EXPECT_EQ(pageOf(*screen), "timelineMoment");
    EXPECT_EQ(find<QLabel>(*screen, "timelineCount")->text(), "90 moments");
    EXPECT_EQ(find<QLabel>(*screen, "timelineTime")->text(), format.timeWithSeconds(newest.timestamp));
    EXPECT_EQ(find<QLabel>(*screen, "timelineAppName")->text(), "Browser");
    const MomentDetailController& detail = detailOf(*screen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detail.imageFrameID() == newest.id && detail.record(); }));
    EXPECT_EQ(requests, (decltype(requests){{newest.id, FrameImageLoader::Size::full}}));
    EXPECT_FALSE(find<QToolButton>(*screen, "timelineButton")->isVisible()) << "it is the timeline";
    EXPECT_EQ(find<QLabel>(*screen, "dayTitle")->text(), "Monday, March 3");
    const TimelineBar* bar = find<TimelineBar>(*screen, "timelineBar");
    EXPECT_EQ(bar->height(), TimelineBar::fixedHeight);
    EXPECT_EQ(bar->width(), screen->width() - 32);

    EXPECT_TRUE(testsupport::savePictures("timeline-day", [&] {
        auto shown = makeScreen();
        shown->show();
        settle();
        shown->controller().scrubTo(40);
        const std::int64_t fortieth = shown->controller().shownFrame()->id;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return detailOf(*shown).imageFrameID() == fortieth && detailOf(*shown).record() &&
                   detailOf(*shown).record()->id == fortieth;
        }));
        return shown;
    }));
}

TEST_F(TimelineScreenTest, BeforeTheFirstLoadASpinnerThenForAnEmptyDayAMessage) {
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    hub.readAsync([opened](ostrel::MemoryStore&) { opened.wait(); });
    auto screen = makeScreen();
    screen->show();
    EXPECT_EQ(pageOf(*screen), "timelineLoading");
    EXPECT_TRUE(find<QWidget>(*screen, "timelineSpinner")->isVisible());
    EXPECT_TRUE(testsupport::savePicture(*screen, "timeline-loading"));
    gate.set_value();
    settle();
    EXPECT_EQ(pageOf(*screen), "timelineEmpty");
    EXPECT_EQ(find<QLabel>(*screen, "timelineCount")->text(), "0 moments");
    EXPECT_TRUE(testsupport::savePictures("timeline-empty", [&] {
        auto shown = makeScreen();
        settle();
        return shown;
    }));
}

TEST_F(TimelineScreenTest, KeysStepReplayAndJump) {
    fillTheMorning();
    auto screen = makeScreen();
    screen->show();
    QApplication::setActiveWindow(screen.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    settle();
    TimelineScreenController& controller = screen->controller();
    ASSERT_EQ(controller.index(), 89);

    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int index;
        bool playing;
    };
    // The morning has a twenty-minute pause after every thirty moments two minutes apart.
    const Key keys[] = {
        {Qt::Key_Left, Qt::NoModifier, 88, false},     {Qt::Key_Right, Qt::NoModifier, 89, false},
        {Qt::Key_Right, Qt::NoModifier, 89, false},    {Qt::Key_Left, Qt::ShiftModifier, 84, false},
        {Qt::Key_Right, Qt::ShiftModifier, 89, false}, {Qt::Key_Space, Qt::NoModifier, 89, true},
        {Qt::Key_Left, Qt::ShiftModifier, 84, true},   {Qt::Key_Space, Qt::NoModifier, 84, false},
    };
    for (const Key& key : keys) {
        QTest::keyClick(screen.get(), key.key, key.modifiers);
        EXPECT_EQ(controller.index(), key.index)
            << QKeySequence(key.key | key.modifiers).toString().toStdString();
        EXPECT_EQ(controller.playing(), key.playing);
    }
    find<QToolButton>(*screen, "timelinePlay")->click();
    delays.advance(0.45);
    EXPECT_EQ(controller.index(), 85);
    find<QToolButton>(*screen, "timelineLatest")->click();
    EXPECT_EQ(controller.index(), 89);
    EXPECT_TRUE(controller.playing()) << "\"Latest\" leaves a replay running";
    find<QToolButton>(*screen, "timelinePrevious")->click();
    EXPECT_FALSE(controller.playing());
    EXPECT_EQ(controller.index(), 88);
}

TEST_F(TimelineScreenTest, ScrubbingShowsPreviewsAndTheFullPictureAtRest) {
    fillTheMorning();
    auto screen = makeScreen();
    screen->show();
    settle();
    TimelineBar* bar = find<TimelineBar>(*screen, "timelineBar");
    const MomentDetailController& detail = detailOf(*screen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detail.image().has_value() && !detail.loading(); }));
    requests.clear();

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 4, 30));
    EXPECT_TRUE(screen->controller().scrubbing());
    const std::int64_t picked = screen->controller().shownFrame()->id;
    ASSERT_TRUE(QTest::qWaitFor([&] { return detail.imageFrameID() == picked && !detail.loading(); }));
    EXPECT_EQ(requests, (decltype(requests){{picked, FrameImageLoader::Size::preview}}));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 4, 30));
    EXPECT_FALSE(screen->controller().scrubbing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests.size() == 2 && !detail.loading(); }));
    EXPECT_EQ(requests, (decltype(requests){{picked, FrameImageLoader::Size::preview},
                                            {picked, FrameImageLoader::Size::full}}));
}

TEST_F(TimelineScreenTest, TheWindowsActivationReachesTheController) {
    auto screen = makeScreen();
    screen->show();
    QApplication::setActiveWindow(screen.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    EXPECT_TRUE(screen->controller().windowActive());
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().windowActive(); }));
    QApplication::setActiveWindow(screen.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen->controller().windowActive(); }));
}

TEST_F(TimelineScreenTest, TheDayNavigatorChoosesTheDayAndFollowsRequests) {
    fillTheMorning();
    const std::int64_t dayBefore = save(at(-24 + 9), "org.example.Mail", "Mail");
    auto screen = makeScreen();
    screen->show();
    settle();
    ASSERT_EQ(screen->controller().frames()->size(), 90u);

    QTest::mouseClick(find<QToolButton>(*screen, "previousDay"), Qt::LeftButton);
    settle();
    EXPECT_EQ(screen->controller().day(), midnight - 86400);
    EXPECT_EQ(find<QLabel>(*screen, "dayTitle")->text(), "Sunday, March 2");
    EXPECT_EQ(find<QLabel>(*screen, "timelineCount")->text(), "1 moment");
    EXPECT_EQ(screen->controller().shownFrame()->id, dayBefore);

    // A request from elsewhere for a moment of today moves the navigator along.
    screen->controller().openAt(std::nullopt, at(9));
    settle();
    EXPECT_EQ(find<QLabel>(*screen, "dayTitle")->text(), "Monday, March 3");
    EXPECT_EQ(screen->controller().frames()->size(), 90u);
}

TEST_F(TimelineScreenTest, DeletingTheShownMomentShowsTheNearestRemainingOne) {
    fillTheMorning();
    auto screen = makeScreen();
    screen->show();
    settle();
    TimelineScreenController& controller = screen->controller();
    controller.scrubTo(40);
    const ostrel::FrameSummary deleted = *controller.shownFrame();
    const ostrel::FrameSummary later = (*controller.frames())[41];
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailOf(*screen).record() && !detailOf(*screen).loading(); }));

    QTest::mouseClick(find<QToolButton>(*screen, "deleteButton"), Qt::LeftButton);
    auto* confirmation = find<QMessageBox>(*screen, "deleteConfirmation");
    ASSERT_TRUE(confirmation);
    QTest::mouseClick(find<QPushButton>(*confirmation, "confirmDeleteButton"), Qt::LeftButton);
    settle();
    EXPECT_EQ(controller.frames()->size(), 89u);
    // Two minutes from each neighbour: the later one.
    EXPECT_EQ(controller.shownFrame()->id, later.id);
    EXPECT_NE(controller.shownFrame()->id, deleted.id);
}
