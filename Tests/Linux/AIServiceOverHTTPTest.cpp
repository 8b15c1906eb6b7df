#include "AI/AIService.h"
#include "AI/AIUnavailableError.h"
#include "Platform/LanguageModelError.h"
#include "Platform/Linux/ChatCompletionsClient.h"
#include "Store/StoreHub.h"
#include "Support/FakeModelServer.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace vesperline;
using testsupport::FakeModelServer;
using namespace std::chrono_literals;

namespace {

// 2025-03-01 14:05:09 in Istanbul, where the tests run.
constexpr ostrel::Time now = 1740827109;
constexpr int patience = 30000; // ms

std::string insideString(const std::string& text) {
    const std::string quoted = nlohmann::json(text).dump();
    return quoted.substr(1, quoted.size() - 2);
}

// The whole road of a question: the service, the HTTP client and a server on this computer.
class AIServiceOverHTTPTest : public testing::Test {
  protected:
    AIServiceOverHTTPTest() : clock_(now), hub_(data_.path(), clock_), format_("en_US", "Europe/Istanbul") {
        hub_.sync([](ostrel::MemoryStore& store) {
            return store.insertFrame(testsupport::Moment(now - 3600)
                                         .app("org.example.mail", "Mail")
                                         .title("Inbox")
                                         .lines({"Invoice from ACME"}));
        });
    }

    // A service on a client of `server`, once its first check has told the model's availability.
    AIService& start(const FakeModelServer& server, std::chrono::milliseconds responseTimeout = 2s) {
        platform::ChatCompletionsClient::Settings settings;
        settings.address = server.url();
        settings.responseTimeout = responseTimeout;
        // A service started before goes first: it uses its client until it is gone.
        service_.reset();
        client_ = std::make_unique<platform::ChatCompletionsClient>(settings);
        service_ = std::make_unique<AIService>(*client_, clock_, format_);
        QSignalSpy checked(service_.get(), &AIService::availabilityChanged);
        EXPECT_TRUE(QTest::qWaitFor([&] { return checked.count() == 1; }, patience));
        return *service_;
    }

    QFuture<AIService::Answer> ask(const QString& question) { return service_->answer(question, hub_); }

    testsupport::DataFolder data_;
    testsupport::ManualClock clock_;
    StoreHub hub_;
    Format format_;
    std::unique_ptr<platform::ChatCompletionsClient> client_;
    std::unique_ptr<AIService> service_;
};

TEST_F(AIServiceOverHTTPTest, AQuestionIsSentAsTheSearchPlanRequestAndThenTheAnswerRequest) {
    FakeModelServer server([](const FakeModelServer::Request& request) -> FakeModelServer::Response {
        if (request.path == "/v1/models") {
            return {200, R"({"data":[{"id":"local-model"}]})"};
        }
        return {200, FakeModelServer::completion(request.body.contains("response_format")
                                                     ? R"({"keywords":["invoice"],"days":0})"
                                                     : "\n It was ACME [1].\n")};
    });
    start(server);
    QFuture<AIService::Answer> answer = ask(QStringLiteral("Who sent the invoice?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }, patience));
    EXPECT_EQ(answer.result().text, QStringLiteral("It was ACME [1]."));
    ASSERT_EQ(answer.result().sources.size(), 1u);

    std::vector<FakeModelServer::Request> posts;
    for (const FakeModelServer::Request& request : server.requests()) {
        if (request.method == "POST") {
            posts.push_back(request);
        }
    }
    ASSERT_EQ(posts.size(), 2u);
    const std::string schema = AIService::SearchPlan::schema().dump();
    EXPECT_EQ(
        posts[0].body.toStdString(),
        R"({"model":"local-model","response_format":{"type":"json_schema","json_schema":{"name":"SearchPlan",)"
        R"("strict":true,"schema":)" +
            schema +
            R"(}},"messages":[{"role":"system","content":"Turn the user's question about something they saw )"
            R"(on their computer screen into search keywords.\n\nReply with one JSON object that follows this )"
            R"(JSON schema:\n)" +
            insideString(schema) + R"("},{"role":"user","content":"Who sent the invoice?"}]})");
    const std::string prompt = "Excerpts:\n[1] Today 1:05\u202FPM \u2014 Mail \u2014 Inbox\n" +
                               answer.result().sources[0].snippet.text +
                               "\n\n\nQuestion: Who sent the invoice?";
    EXPECT_EQ(
        posts[1].body.toStdString(),
        R"({"model":"local-model","messages":[{"role":"system","content":"You answer questions about what )"
        R"(the user saw on their screen, using ONLY the numbered excerpts. Cite sources like [1]. If the )"
        R"(excerpts don't contain the answer, say so briefly. Answer in English, in at most 4 sentences."},)"
        R"({"role":"user","content":")" +
            insideString(prompt) + R"("}]})");
}

TEST_F(AIServiceOverHTTPTest, APlanInACodeBlockFromAServerThatIgnoresTheResponseFormatIsRead) {
    FakeModelServer server([](const FakeModelServer::Request& request) -> FakeModelServer::Response {
        if (request.path == "/v1/models") {
            return {200, R"({"data":[{"id":"local-model"}]})"};
        }
        return {200,
                FakeModelServer::completion(request.body.contains("response_format")
                                                ? "```json\n{\"keywords\": [\"invoice\"], \"days\": 0}\n```"
                                                : "It was ACME [1].")};
    });
    start(server);
    QFuture<AIService::Answer> answer = ask(QStringLiteral("Who sent the invoice?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }, patience));
    EXPECT_EQ(answer.result().text, QStringLiteral("It was ACME [1]."));
    EXPECT_EQ(answer.result().sources.size(), 1u);
}

TEST_F(AIServiceOverHTTPTest, AServerStillLoadingIsNotAsked) {
    FakeModelServer server([](const FakeModelServer::Request&) {
        return FakeModelServer::Response{503, R"({"error":{"message":"Loading model"}})"};
    });
    AIService& ai = start(server);
    EXPECT_EQ(ai.availabilityMessage(),
              QStringLiteral("The local language model is still loading. Try again later."));
    QFuture<AIService::Answer> answer = ask(QStringLiteral("Who sent the invoice?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }, patience));
    EXPECT_THROW(answer.result(), AIUnavailableError);
    EXPECT_EQ(server.requests().size(), 1u); // the check only
}

TEST_F(AIServiceOverHTTPTest, AServerThatNeverAnswersEndsTheQuestionInTime) {
    FakeModelServer server([](const FakeModelServer::Request& request) -> FakeModelServer::Response {
        if (request.path == "/v1/models") {
            return {200, R"({"data":[{"id":"local-model"}]})"};
        }
        return {200, {}, true};
    });
    start(server, 300ms);
    QFuture<AIService::Answer> answer = ask(QStringLiteral("Who sent the invoice?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }, patience));
    EXPECT_THROW(answer.result(), platform::LanguageModelError);

    // With a patient client, closing the service ends the request it waits for.
    start(server, std::chrono::hours(1));
    const std::size_t sent = server.requests().size();
    answer = ask(QStringLiteral("Who sent the invoice?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() > sent; }, patience));
    service_.reset();
    EXPECT_TRUE(answer.isFinished());
    EXPECT_THROW(answer.result(), platform::LanguageModelError);
}

} // namespace
