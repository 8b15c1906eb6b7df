#include "UI/Shared/SegmentedControl.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vesperline;

TEST(SegmentedControlTest, ReportsTheSegmentTheUserChoseAndNothingWhenSet) {
    SegmentedControl control({"Best match", "Newest"});
    control.resize(control.sizeHint());
    control.show();
    QSignalSpy activated(&control, &SegmentedControl::activated);

    control.setCurrentIndex(1);
    EXPECT_EQ(control.currentIndex(), 1);
    EXPECT_TRUE(activated.isEmpty());
    // Segments share the width equally, whatever their titles.
    EXPECT_EQ(control.segmentRect(0).width(), control.segmentRect(1).width());
    EXPECT_FALSE(control.segmentRect(0).intersects(control.segmentRect(1)));

    QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(0).center());
    QTest::keyClick(&control, Qt::Key_Right); // past the last: nothing
    QTest::keyClick(&control, Qt::Key_Left);
    ASSERT_EQ(activated.size(), 2);
    EXPECT_EQ(activated[0][0].toInt(), 0);
    EXPECT_EQ(activated[1][0].toInt(), 0);
    EXPECT_EQ(control.currentIndex(), 1) << "the owner sets what the user chose";
}
