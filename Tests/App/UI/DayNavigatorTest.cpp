#include "UI/Shared/DayNavigator.h"
#include "Support/ManualClock.h"
#include "Support/ViewPictures.h"

#include <QDateEdit>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vesperline;

namespace {

// Local times in Berlin (a change to summer time on 2025-03-30, back on 2025-10-26) and Santiago
// (where summer time begins at midnight, so 2024-09-08 begins at 01:00).
constexpr ostrel::Time berlinMarch1At1405 = 1740834300;
constexpr ostrel::Time berlinFebruary28 = 1740697200;
constexpr ostrel::Time berlinJanuary31 = 1738278000;
constexpr ostrel::Time berlinFebruary1 = 1738364400;
constexpr ostrel::Time berlinMarch29 = 1743202800;
constexpr ostrel::Time berlinMarch30 = 1743289200;
constexpr ostrel::Time berlinMarch31 = 1743372000;
constexpr ostrel::Time berlinOctober26 = 1761429600;
constexpr ostrel::Time berlinOctober27 = 1761519600;
constexpr ostrel::Time santiagoSeptember8At0100 = 1725768000;
constexpr ostrel::Time santiagoSeptember9 = 1725850800;
constexpr ostrel::Time berlinJune8 = 1749333600;
constexpr ostrel::Time berlinJune10 = 1749506400;
constexpr ostrel::Time berlinJune10At0900 = 1749538800;
constexpr ostrel::Time berlinJune10At1530 = 1749562200;
constexpr ostrel::Time berlinJune11 = 1749592800;
constexpr ostrel::Time berlinJune11At1000 = 1749628800;

const Format& berlin() {
    static const Format format("en_US", "Europe/Berlin");
    return format;
}

} // namespace

TEST(DayNavigatorTest, StepsAreCalendarDaysAndNeverReachTheFuture) {
    const Format santiago("en_US", "America/Santiago");
    struct Case {
        const char* name;
        const Format& format;
        ostrel::Time day;
        int days;
        ostrel::Time now;
        std::optional<ostrel::Time> expected;
    };
    const Case cases[] = {
        {"back over a month's start, from a time of day", berlin(), berlinMarch1At1405, -1,
         berlinJune11At1000, berlinFebruary28},
        {"forward over a month's end", berlin(), berlinJanuary31, 1, berlinJune11At1000, berlinFebruary1},
        {"back over the change to summer time (a 23-hour day)", berlin(), berlinMarch31, -1,
         berlinJune11At1000, berlinMarch30},
        {"back again from that short day", berlin(), berlinMarch30, -1, berlinJune11At1000, berlinMarch29},
        {"forward over the change to summer time", berlin(), berlinMarch30, 1, berlinJune11At1000,
         berlinMarch31},
        {"back over the change to winter time (a 25-hour day)", berlin(), berlinOctober27, -1,
         berlinOctober27 + 3600, berlinOctober26},
        {"back onto a day that begins at 01:00", santiago, santiagoSeptember9, -1, santiagoSeptember9 + 3600,
         santiagoSeptember8At0100},
        {"forward from yesterday 15:30 at 10:00 is refused", berlin(), berlinJune10At1530, 1,
         berlinJune11At1000, std::nullopt},
        {"forward from yesterday 09:00 at 10:00 lands on today", berlin(), berlinJune10At0900, 1,
         berlinJune11At1000, berlinJune11},
        {"forward from today is refused", berlin(), berlinJune11, 1, berlinJune11At1000, std::nullopt},
        {"back without a lower limit", berlin(), berlinJune11, -400, berlinJune11At1000, 1715032800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DayNavigation(c.format).shifted(c.day, c.days, c.now), c.expected);
    }
}

TEST(DayNavigatorTest, TheLabelSaysTodayYesterdayOrHowLongAgo) {
    const DayNavigation calendar(berlin());
    EXPECT_EQ(calendar.relativeLabel(berlinJune11, berlinJune11At1000).toStdString(), "Today");
    EXPECT_EQ(calendar.relativeLabel(berlinJune10At1530, berlinJune11At1000).toStdString(), "Yesterday");
    EXPECT_EQ(calendar.relativeLabel(berlinJune8, berlinJune11At1000).toStdString(), "3 days ago");
    // The start of a day in the zone, also where a clock change skips midnight.
    EXPECT_EQ(calendar.startOfDay(berlinJune10At1530), berlinJune10);
    EXPECT_EQ(DayNavigation(Format("en_US", "America/Santiago")).startOfDay(santiagoSeptember8At0100 + 7200),
              santiagoSeptember8At0100);
}

TEST(DayNavigatorTest, OnTodayOnlyTheWayBackIsOpen) {
    testsupport::ManualClock clock(berlinJune11At1000);
    DayNavigator navigator(clock, berlin());
    navigator.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&navigator));
    QSignalSpy chosen(&navigator, &DayNavigator::dayChosen);
    auto* next = navigator.findChild<QToolButton*>("nextDay");
    auto* today = navigator.findChild<QToolButton*>("todayButton");

    EXPECT_EQ(navigator.day(), berlinJune11);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(today->isVisible());
    EXPECT_EQ(navigator.findChild<QLabel*>("dayRelative")->text().toStdString(), "Today");
    EXPECT_EQ(navigator.findChild<QLabel*>("dayTitle")->text().toStdString(), "Wednesday, June 11");
    QTest::keyClick(&navigator, Qt::Key_BracketRight, Qt::ControlModifier);
    QTest::qWait(250);
    EXPECT_EQ(chosen.count(), 0);

    // A button's shortcut presses it visibly: the click follows a moment later.
    QTest::keyClick(&navigator, Qt::Key_BracketLeft, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chosen.count() == 1; }));
    EXPECT_EQ(chosen.at(0).at(0).toDouble(), berlinJune10);
    EXPECT_EQ(navigator.findChild<QLabel*>("dayRelative")->text().toStdString(), "Yesterday");
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(today->isVisible());

    QTest::mouseClick(next, Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(1).at(0).toDouble(), berlinJune11);
}

TEST(DayNavigatorTest, TodayAndTheDateFieldStoreTheStartOfADayNotAfterNow) {
    testsupport::ManualClock clock(berlinJune11At1000);
    DayNavigator navigator(clock, berlin());
    navigator.setDay(berlinJune10At1530); // a screen's day with a time of day
    navigator.show();
    QSignalSpy chosen(&navigator, &DayNavigator::dayChosen);
    auto* field = navigator.findChild<QDateEdit*>("dayField");
    EXPECT_EQ(field->date(), QDate(2025, 6, 10));
    EXPECT_EQ(field->maximumDate(), QDate(2025, 6, 11));

    QTest::mouseClick(navigator.findChild<QToolButton*>("todayButton"), Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toDouble(), berlinJune11);

    field->setDate(QDate(2025, 6, 8));
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(1).at(0).toDouble(), berlinJune8);
    field->setDate(QDate(2025, 6, 12)); // after now: the field keeps to today
    EXPECT_EQ(field->date(), QDate(2025, 6, 11));
    EXPECT_EQ(chosen.at(chosen.count() - 1).at(0).toDouble(), berlinJune11);

    // A day handed in by the screen is shown and not announced back.
    navigator.setDay(berlinMarch30);
    EXPECT_EQ(field->date(), QDate(2025, 3, 30));
    EXPECT_EQ(navigator.findChild<QLabel*>("dayTitle")->text().toStdString(), "Sunday, March 30");
    EXPECT_EQ(chosen.count(), 3);
}

TEST(DayNavigatorTest, Pictures) {
    testsupport::ManualClock clock(berlinJune11At1000);
    EXPECT_TRUE(testsupport::savePictures("day-navigator-today", [&] {
        auto navigator = std::make_unique<DayNavigator>(clock, berlin());
        navigator->resize(640, navigator->sizeHint().height());
        return navigator;
    }));
    EXPECT_TRUE(testsupport::savePictures("day-navigator-past", [&] {
        auto navigator = std::make_unique<DayNavigator>(clock, berlin());
        navigator->setDay(berlinJune8);
        navigator->setTrailing(new QLabel("12 moments"));
        navigator->resize(640, navigator->sizeHint().height());
        return navigator;
    }));
}
