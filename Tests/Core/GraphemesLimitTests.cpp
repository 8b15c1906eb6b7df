#include "Support/Graphemes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

TEST(GraphemesLimit, StopsAfterTheGivenNumberOfClusters) {
    using Offsets = std::vector<std::size_t>;
    const std::string text = "ae\u0301\r\nz"; // a, e + combining acute, CR LF, z
    EXPECT_EQ(Graphemes::boundaries(text, 0), Offsets{0});
    EXPECT_EQ(Graphemes::boundaries(text, 2), (Offsets{0, 1, 4}));
    EXPECT_EQ(Graphemes::boundaries(text, 3), (Offsets{0, 1, 4, 6}));
    EXPECT_EQ(Graphemes::boundaries(text, 4), Graphemes::boundaries(text));
    EXPECT_EQ(Graphemes::boundaries(text, 100), Graphemes::boundaries(text));
    EXPECT_EQ(Graphemes::boundaries("", 3), Offsets{0});
}

} // namespace
} // namespace ostrel
