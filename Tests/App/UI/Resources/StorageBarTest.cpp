#include "UI/Resources/StorageBar.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

constexpr std::int64_t gibibyte = 1LL << 30;

TEST(StorageBarTest, PartsAreTheirShareOfTheLimitAndAtLeastFourPixels) {
    struct Case {
        const char* what;
        std::int64_t segmentBytes;
        std::int64_t databaseBytes;
        std::int64_t diskCapGB;
        double videoWidth;
        double textLeft;
        double textWidth;
    };
    const Case cases[] = {
        {"2 GB of video and 1 GB of text of 10 GB", 2 * gibibyte, gibibyte, 10, 60, 62, 30},
        {"a few kilobytes still show", 2 * gibibyte, 4096, 10, 60, 62, 4},
        {"no video: the text follows the spacing", 0, gibibyte, 10, 0, 2, 30},
        {"an empty memory", 0, 0, 10, 0, 2, 0},
        {"negative counts draw nothing", -5, -5, 10, 0, 2, 0},
        {"over the limit the parts reach beyond the bar", 20 * gibibyte, 5 * gibibyte, 10, 600, 602, 150},
        {"a limit of 0 counts as one byte", 1, 1, 0, 300, 302, 300},
    };
    for (const Case& c : cases) {
        const StorageBar::Parts parts = StorageBar::parts(c.segmentBytes, c.databaseBytes, c.diskCapGB,
                                                          QSizeF(300, StorageBar::barHeight));
        EXPECT_EQ(parts.video, QRectF(0, 0, c.videoWidth, 12)) << c.what;
        EXPECT_EQ(parts.text, QRectF(c.textLeft, 0, c.textWidth, 12)) << c.what;
    }
}

} // namespace
} // namespace vesperline
