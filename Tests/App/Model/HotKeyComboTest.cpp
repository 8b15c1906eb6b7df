#include "Model/HotKeyCombo.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(HotKeyComboTest, DefaultIsCommandShiftSpace) {
    EXPECT_EQ(HotKeyCombo{}, (HotKeyCombo{.keyCode = 49, .carbonModifiers = 768}));
    EXPECT_NE(HotKeyCombo{}, (HotKeyCombo{.keyCode = 49, .carbonModifiers = 256}));
    EXPECT_NE(HotKeyCombo{}, (HotKeyCombo{.keyCode = 50, .carbonModifiers = 768}));
}

TEST(HotKeyComboTest, JSONRoundTrip) {
    EXPECT_EQ(nlohmann::ordered_json(HotKeyCombo{}).dump(), R"({"keyCode":49,"carbonModifiers":768})");
    const HotKeyCombo combo{.keyCode = 4294967295u, .carbonModifiers = 4096 | 2048};
    EXPECT_EQ(nlohmann::ordered_json::parse(nlohmann::ordered_json(combo).dump()).get<HotKeyCombo>(), combo);
    // Members in another order and unknown members are fine.
    EXPECT_EQ(nlohmann::ordered_json::parse(R"({"carbonModifiers":256,"extra":true,"keyCode":0})")
                  .get<HotKeyCombo>(),
              (HotKeyCombo{.keyCode = 0, .carbonModifiers = 256}));
}

TEST(HotKeyComboTest, DecodingRefusesMissingOrUnfitMembers) {
    for (const char* text :
         {R"({"keyCode":49})", R"({"carbonModifiers":768})", R"({"keyCode":-1,"carbonModifiers":768})",
          R"({"keyCode":49.5,"carbonModifiers":768})", R"({"keyCode":4294967296,"carbonModifiers":768})",
          R"({"keyCode":"49","carbonModifiers":768})", R"({"keyCode":49,"carbonModifiers":null})",
          R"([49,768])", R"(49)"}) {
        EXPECT_THROW(nlohmann::ordered_json::parse(text).get<HotKeyCombo>(), std::exception) << text;
    }
}

} // namespace
} // namespace vesperline
