#include "Platform/SecretBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesperline::platform {
namespace {

bool allZero(const char* bytes, std::size_t size) {
    return std::all_of(bytes, bytes + size, [](char byte) { return byte == 0; });
}

TEST(SecretBufferTest, WipingZeroesTheBytesWhereTheyLie) {
    SecretBuffer buffer("correct horse");
    const char* bytes = buffer.data();
    ASSERT_EQ(std::string(bytes), "correct horse");
    buffer.wipe();
    EXPECT_TRUE(allZero(bytes, 13));
    EXPECT_TRUE(buffer.empty());
}

TEST(SecretBufferTest, TakingTextKeepsItsUtf8AndEmptiesTheText) {
    QString text = QString::fromUtf8("şifre ğüç");
    SecretBuffer buffer = SecretBuffer::takeText(text);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "şifre ğüç");
    EXPECT_TRUE(text.isEmpty());
}

TEST(SecretBufferTest, MovingHandsTheBytesOverAndLeavesTheSourceEmpty) {
    SecretBuffer first("correct horse");
    SecretBuffer second = std::move(first);
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(std::string(first.data()), "");
    EXPECT_EQ(std::string(second.data(), second.size()), "correct horse");
}

} // namespace
} // namespace vesperline::platform
