// The small operations every tool shares: integer arguments and times of day.
#include "Server.h"

#include <gtest/gtest.h>

#include <ctime>

using vesperline::mcp::Json;
using vesperline::mcp::Server;

namespace {

TEST(IntArgument, ReadsIntegersNumbersAndStrictDecimalStrings) {
    const std::vector<std::pair<Json, std::optional<std::int64_t>>> cases = {
        {12, 12},
        {12.7, 12},
        {-2.9, -2},
        {"12", 12},
        {"-3", -3},
        {"+5", 5},
        {"0", 0},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"12a", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-5", std::nullopt},
        {"--5", std::nullopt},
        {nullptr, std::nullopt},
        {true, std::nullopt},
        {Json::array({1}), std::nullopt},
        {Json::object(), std::nullopt},
        {1e300, std::nullopt},
        {18446744073709551615ull, std::nullopt},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(Server::intArgument(Json{{"n", value}}, "n"), expected) << value.dump();
    }
    EXPECT_EQ(Server::intArgument(Json::object(), "n"), std::nullopt);
}

TEST(TimeString, IsTwentyFourHourLocalTimeWithLeadingZeros) {
    ::setenv("TZ", "Europe/Istanbul", 1);
    const ostrel::SystemClock clock;
    const Server server("1.0.0", clock);
    // 2026-10-22 06:05 and 18:15 UTC are 09:05 and 21:15 in Istanbul (UTC+3 all year).
    EXPECT_EQ(server.timeString(1792649100), "09:05");
    EXPECT_EQ(server.timeString(1792649100 + 12 * 3600 + 600), "21:15");
}

} // namespace
