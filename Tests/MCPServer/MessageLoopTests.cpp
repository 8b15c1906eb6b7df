// Framing of the server's standard input and output: lines, batches, the loop's own errors, and how
// the process ends.
#include "ServerProcess.h"

#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using mcptest::Json;
using mcptest::runSession;

namespace {

constexpr const char* parseError =
    R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})";
constexpr const char* invalidRequest =
    R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid request"}})";

struct FramingCase {
    const char* name;
    std::string input;
    std::string output;
};

class Framing : public testing::TestWithParam<FramingCase> {};

TEST_P(Framing, AnswersEachLineExactly) {
    testsupport::ScopedDataDirectory data;
    const auto ending = runSession(GetParam().input);
    EXPECT_EQ(ending.output, GetParam().output);
    EXPECT_EQ(ending.errors, "");
    EXPECT_EQ(ending.exitStatus, 0);
}

std::string line(const std::string& text) {
    return text + "\n";
}

constexpr const char* pingReply = R"({"jsonrpc":"2.0","id":1,"result":{}})";
constexpr const char* tooLong =
    R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid request: message longer than 4 MB"}})";
constexpr std::size_t maximumLine = 4 << 20;

// A ping whose line, without its line feed, is `bytes` long (padded with spaces inside the object).
std::string pingOfLength(std::size_t bytes) {
    const std::string ping = R"({"id":1,"method":"ping"})";
    return "{" + std::string(bytes - ping.size(), ' ') + ping.substr(1);
}

// A batch of `count` pings, and the replies to it.
std::string pings(int count) {
    std::string batch = "[";
    for (int i = 0; i < count; ++i) {
        batch += std::string(i ? "," : "") + R"({"id":1,"method":"ping"})";
    }
    return batch + "]";
}
std::string pingReplies(int count) {
    std::string replies = "[";
    for (int i = 0; i < count; ++i) {
        replies += std::string(i ? "," : "") + pingReply;
    }
    return replies + "]";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Framing,
    testing::Values(
        FramingCase{"NoInput", "", ""}, FramingCase{"BlankLines", "\n   \t \n\r\n", ""},
        FramingCase{"UnicodeSpaceOnly", "\u00a0\u3000\u2028\n", ""},
        FramingCase{
            "EmptyBatch", "[]\n",
            line(
                R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid request: empty batch"}})")},
        FramingCase{"BareNumber", "5\n", line(parseError)},
        FramingCase{"BareString", "\"ping\"\n", line(parseError)},
        FramingCase{"BareNull", "null\n", line(parseError)},
        FramingCase{"BareBoolean", "true\n", line(parseError)},
        FramingCase{"TruncatedObject", "{\"id\":1,\"method\":\"ping\"\n", line(parseError)},
        FramingCase{"TwoObjects", "{\"id\":1,\"method\":\"ping\"}{\"id\":2,\"method\":\"ping\"}\n",
                    line(parseError)},
        FramingCase{"NestedTooDeep",
                    "{\"id\":" + std::string(100000, '[') + std::string(100000, ']') +
                        ",\"method\":\"ping\"}\n",
                    line(parseError)},
        FramingCase{"NestedModerately",
                    "{\"id\":" + std::string(100, '[') + std::string(100, ']') + ",\"method\":\"ping\"}\n",
                    line("{\"jsonrpc\":\"2.0\",\"id\":" + std::string(100, '[') + std::string(100, ']') +
                         ",\"result\":{}}")},
        FramingCase{
            "NotificationsOnlyBatch",
            "[{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"},{\"method\":\"ping\"}]\n", ""},
        FramingCase{"MixedBatch",
                    "[{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"},5,{\"method\":\"notifications/"
                    "initialized\"}]\n",
                    line(std::string(R"([{"jsonrpc":"2.0","id":1,"result":{}},)") + invalidRequest + "]")},
        FramingCase{"SlashInSingleReply", "{\"id\":\"a/b\",\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":"a/b","result":{}})")},
        FramingCase{"SlashInBatchReply", "[{\"id\":\"a/b\",\"method\":\"ping\"}]\n",
                    line(R"([{"jsonrpc":"2.0","id":"a\/b","result":{}}])")},
        FramingCase{"IdNull", "{\"id\":null,\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":null,"result":{}})")},
        FramingCase{"IdString", "{\"id\":\"abc\",\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":"abc","result":{}})")},
        FramingCase{"IdNumber", "{\"id\":7,\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":7,"result":{}})")},
        FramingCase{"IdObject", "{\"id\":{\"b\":[1,2],\"a\":true},\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":{"b":[1,2],"a":true},"result":{}})")},
        FramingCase{"CarriageReturnAndSpaces", "  {\"id\":1,\"method\":\"ping\"}\t\r\n",
                    line(R"({"jsonrpc":"2.0","id":1,"result":{}})")},
        FramingCase{"LastLineWithoutLineFeed", "{\"id\":1,\"method\":\"ping\"}",
                    line(R"({"jsonrpc":"2.0","id":1,"result":{}})")},
        FramingCase{"InvalidUTF8InRequest", "{\"id\":\"a\xff\xfe\",\"method\":\"ping\"}\n",
                    line("{\"jsonrpc\":\"2.0\",\"id\":\"a\xef\xbf\xbd\xef\xbf\xbd\",\"result\":{}}")},
        FramingCase{"NonASCIIWrittenAsUTF8", "{\"id\":\"\\u2014\",\"method\":\"ping\"}\n",
                    line("{\"jsonrpc\":\"2.0\",\"id\":\"\u2014\",\"result\":{}}")},
        FramingCase{"LineOfTheLongestLength", line(pingOfLength(maximumLine)), line(pingReply)},
        FramingCase{"LineOneByteTooLongIsRefusedAndTheNextServed",
                    line(pingOfLength(maximumLine + 1)) + line(R"({"id":1,"method":"ping"})"),
                    line(tooLong) + line(pingReply)},
        FramingCase{"LineFarTooLongAcrossManyReads",
                    line(R"({"id":1,"method":"ping"})") + std::string(3 * maximumLine, '[') + "\n" +
                        line(R"({"id":1,"method":"ping"})"),
                    line(pingReply) + line(tooLong) + line(pingReply)},
        FramingCase{"LineTooLongWithoutLineFeed", std::string(maximumLine + 1, 'x'), line(tooLong)},
        FramingCase{"BatchOfTheLongestLength", line(pings(100)), line(pingReplies(100))},
        FramingCase{
            "BatchOneTooLongIsRefusedWhole", line(pings(101)) + line(R"({"id":1,"method":"ping"})"),
            line(
                R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid request: batch of more than 100 messages"}})") +
                line(pingReply)},
        FramingCase{"RepliesInInputOrder",
                    "{\"id\":1,\"method\":\"ping\"}\n5\n{\"id\":2,\"method\":\"ping\"}\n",
                    line(R"({"jsonrpc":"2.0","id":1,"result":{}})") + line(parseError) +
                        line(R"({"jsonrpc":"2.0","id":2,"result":{}})")}),
    [](const testing::TestParamInfo<FramingCase>& info) { return info.param.name; });

TEST(MessageLoop, LongLineIsReadWhole) {
    testsupport::ScopedDataDirectory data;
    const std::string id(3'000'000, 'x');
    const auto ending = runSession("{\"id\":\"" + id + "\",\"method\":\"ping\"}\n");
    EXPECT_EQ(ending.output, "{\"jsonrpc\":\"2.0\",\"id\":\"" + id + "\",\"result\":{}}\n");
    EXPECT_EQ(ending.exitStatus, 0);
}

TEST(MessageLoop, EachReplyLeavesBeforeTheNextLineIsRead) {
    testsupport::ScopedDataDirectory data;
    mcptest::ServerProcess server;
    EXPECT_EQ(server.call(Json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "ping"}})["id"], 1);
    EXPECT_EQ(server.call(Json{{"jsonrpc", "2.0"}, {"id", 2}, {"method", "ping"}})["id"], 2);
    const auto ending = server.finish();
    EXPECT_EQ(ending.output, "");
    EXPECT_EQ(ending.exitStatus, 0);
}

TEST(MessageLoop, ClosedOutputEndsTheProcessQuietly) {
    testsupport::ScopedDataDirectory data;
    mcptest::ServerProcess server;
    server.closeOutput();
    std::string pings;
    for (int i = 0; i < 1000; ++i) {
        pings += "{\"id\":" + std::to_string(i) + ",\"method\":\"tools/list\"}\n";
    }
    server.send(pings);
    const auto ending = server.finish();
    EXPECT_EQ(ending.errors, "");
    EXPECT_EQ(ending.exitStatus, 0);
}

} // namespace
