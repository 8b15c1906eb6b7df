#include "UI/Shared/BrandMark.h"

#include "Support/ViewPictures.h"

#include <QHBoxLayout>

#include <gtest/gtest.h>

using namespace vesperline;

TEST(BrandMarkTest, ASquareWithRoundedCornersAndTheGlyphInsetByAFifth) {
    const BrandMark mark(40);
    EXPECT_EQ(mark.size(), QSize(40, 40));
    EXPECT_DOUBLE_EQ(BrandMark::cornerRadius(40), 10.4);
    EXPECT_EQ(BrandMark::glyphRect(40), QRectF(8, 8, 24, 24));
    EXPECT_EQ(BrandMark(44).size(), QSize(44, 44));
}

TEST(BrandMarkTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("brand-mark", [] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        for (const double size : {30.0, 44.0, 92.0}) {
            layout->addWidget(new BrandMark(size), 0, Qt::AlignCenter);
        }
        return window;
    }));
}
