#include "UI/Shared/Chip.h"
#include "Support/ViewPictures.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vesperline;

TEST(ChipTest, SizeFollowsTitleSymbolAndSelection) {
    Chip plain("7 days");
    const QFontMetrics regular(Theme::font(Theme::TextStyle::callout));
    EXPECT_EQ(plain.sizeHint().width(), regular.horizontalAdvance("7 days") + 20);
    EXPECT_EQ(plain.sizeHint().height(), regular.height() + 8);

    Chip withSymbol("7 days", QString("clock"));
    EXPECT_GT(withSymbol.sizeHint().width(), plain.sizeHint().width() + 4);

    const QFontMetrics semibold(Theme::font(Theme::TextStyle::callout, QFont::DemiBold));
    plain.setSelected(true);
    EXPECT_TRUE(plain.selected());
    EXPECT_EQ(plain.sizeHint().width(), semibold.horizontalAdvance("7 days") + 20);
}

TEST(ChipTest, TheWholeCapsuleTakesTheClick) {
    Chip chip("All time");
    chip.resize(chip.sizeHint());
    chip.show();
    QSignalSpy clicks(&chip, &QAbstractButton::clicked);
    const int middle = chip.height() / 2;
    // In the padding at either end, well away from the title.
    QTest::mouseClick(&chip, Qt::LeftButton, {}, QPoint(3, middle));
    QTest::mouseClick(&chip, Qt::LeftButton, {}, QPoint(chip.width() - 4, middle));
    EXPECT_EQ(clicks.count(), 2);
    // The corner outside the capsule's round end is not part of it.
    QTest::mouseClick(&chip, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(ChipTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("chips", [] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        layout->addWidget(new Chip("24 hours", std::nullopt, true));
        layout->addWidget(new Chip("7 days"));
        layout->addWidget(new Chip("30 days"));
        layout->addWidget(new Chip("All time"));
        layout->addWidget(new Chip("Folder", QString("folder"), true));
        layout->addWidget(new Chip("Globe", QString("globe")));
        return window;
    }));
}
