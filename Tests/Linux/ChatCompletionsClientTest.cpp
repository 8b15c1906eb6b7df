#include "Platform/Linux/ChatCompletionsClient.h"

#include "Platform/LanguageModelError.h"
#include "Support/FakeModelServer.h"

#include <QNetworkInterface>

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace vesperline::platform;
using testsupport::FakeModelServer;
using Unavailability = LanguageModel::Unavailability;
using namespace std::chrono_literals;

namespace {

const QByteArray twoModels = R"({"object":"list","data":[{"id":"first-model"},{"id":"second-model"}]})";

ChatCompletionsClient::Settings settings(std::string address, std::string modelName = {}) {
    ChatCompletionsClient::Settings settings;
    settings.address = std::move(address);
    settings.modelName = std::move(modelName);
    settings.availabilityTimeout = 500ms;
    settings.responseTimeout = 1s;
    return settings;
}

// A server that lists two models and answers every chat request with `reply`.
FakeModelServer::Handler serving(FakeModelServer::Response reply) {
    return [reply](const FakeModelServer::Request& request) {
        return request.path == "/v1/models" ? FakeModelServer::Response{200, twoModels} : reply;
    };
}

LanguageModel::Request plainRequest() {
    return {"Be brief.", "What did I read?", std::nullopt, {}};
}

// `text` as it stands between the quotes of a JSON string.
std::string insideString(const std::string& text) {
    const std::string quoted = nlohmann::json(text).dump();
    return quoted.substr(1, quoted.size() - 2);
}

// A port on which nothing listens: one that a server just gave up.
quint16 closedPort() {
    return FakeModelServer([](const FakeModelServer::Request&) { return FakeModelServer::Response{}; })
        .port();
}

TEST(ChatCompletionsClient, AvailabilityFollowsTheServersModelList) {
    const struct {
        const char* name;
        FakeModelServer::Response response;
        std::string modelName;
        std::optional<Unavailability> expected;
    } cases[] = {
        {"models listed", {200, twoModels}, "", std::nullopt},
        {"the named model listed", {200, twoModels}, "second-model", std::nullopt},
        {"the named model missing", {200, twoModels}, "third-model", Unavailability::noModel},
        {"no models", {200, R"({"data":[]})"}, "", Unavailability::noModel},
        {"loading",
         {503, R"({"error":{"message":"Loading model","code":503}})"},
         "",
         Unavailability::loading},
        {"server error", {500, R"({"error":"boom"})"}, "", Unavailability::other},
        {"garbage", {200, "<html>It works!</html>"}, "", Unavailability::other},
        {"not a list", {200, R"({"data":{"id":"first-model"}})"}, "", Unavailability::other},
        {"a model without id", {200, R"({"data":[{"name":"first-model"}]})"}, "", Unavailability::other},
        {"no answer", {200, {}, true}, "", Unavailability::other},
    };
    for (const auto& c : cases) {
        FakeModelServer server([&](const FakeModelServer::Request&) { return c.response; });
        ChatCompletionsClient client(settings(server.url(), c.modelName));
        EXPECT_EQ(client.checkAvailability({}), c.expected) << c.name;
        ASSERT_EQ(server.requests().size(), 1u) << c.name;
        EXPECT_EQ(server.requests()[0].method, "GET") << c.name;
        EXPECT_EQ(server.requests()[0].path, "/v1/models") << c.name;
    }

    ChatCompletionsClient nobodyThere(settings("http://127.0.0.1:" + std::to_string(closedPort())));
    EXPECT_EQ(nobodyThere.checkAvailability({}), Unavailability::notRunning);
}

TEST(ChatCompletionsClient, OnlyAddressesOfThisComputerAreContacted) {
    // The server answers on every address of this machine, so a client that tried another one
    // would reach it.
    FakeModelServer server(serving({200, FakeModelServer::completion("Hi.")}),
                           QHostAddress(QHostAddress::Any));
    const std::string port = std::to_string(server.port());
    struct Case {
        std::string address;
        std::optional<Unavailability> expected;
    };
    std::vector<Case> refused = {
        {"", Unavailability::notConfigured},
        {"  ", Unavailability::notConfigured},
        {"127.0.0.1:" + port, Unavailability::notConfigured},
        {"https://127.0.0.1:" + port, Unavailability::notConfigured},
        {"ftp://127.0.0.1:" + port, Unavailability::notConfigured},
        {"http://", Unavailability::notConfigured},
        {"http://example.com:" + port, Unavailability::notLocal},
        {"http://127.0.0.1.example.com:" + port, Unavailability::notLocal},
        {"http://localhost.:" + port, Unavailability::notLocal},
        {"http://127.0.0.1@example.com:" + port, Unavailability::notLocal},
    };
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol) {
            refused.push_back(
                {"http://" + address.toString().toStdString() + ":" + port, Unavailability::notLocal});
        }
    }
    for (const Case& c : refused) {
        ChatCompletionsClient client(settings(c.address));
        EXPECT_EQ(client.checkAvailability({}), c.expected) << c.address;
        EXPECT_THROW(client.respond(plainRequest(), {}), LanguageModelError) << c.address;
    }
    EXPECT_EQ(server.connections(), 0);

    std::vector<std::string> accepted = {
        "http://127.0.0.1:" + port,          "http://localhost:" + port,
        "http://LOCALHOST:" + port + "/",    "http://127.0.0.1:" + port + "/v1",
        "http://127.3.2.1:" + port + "/v1/", "http://2130706433:" + port};
    if (QTcpServer probe; probe.listen(QHostAddress::LocalHostIPv6)) {
        accepted.push_back("http://[::1]:" + port);
    }
    for (const std::string& address : accepted) {
        const std::size_t before = server.requests().size();
        ChatCompletionsClient client(settings(address));
        EXPECT_EQ(client.checkAvailability({}), std::nullopt) << address;
        EXPECT_EQ(client.respond(plainRequest(), {}), "Hi.") << address;
        const std::vector<FakeModelServer::Request> requests = server.requests();
        ASSERT_EQ(requests.size(), before + 2) << address;
        EXPECT_EQ(requests.back().path, "/v1/chat/completions") << address;
    }
}

TEST(ChatCompletionsClient, ARequestCarriesTheInstructionsPromptAndSchema) {
    FakeModelServer server(serving({200, FakeModelServer::completion(R"({"keywords":["x"],"days":0})")}));
    const nlohmann::ordered_json schema = {
        {"type", "object"}, {"properties", {{"days", {{"type", "integer"}, {"maximum", 365}}}}}};
    const std::string schemaText =
        R"({"type":"object","properties":{"days":{"type":"integer","maximum":365}}})";

    // Without a configured name the model the server listed first is asked for.
    ChatCompletionsClient client(settings(server.url()));
    ASSERT_EQ(client.checkAvailability({}), std::nullopt);
    EXPECT_EQ(client.respond({"Make keywords.", "Where was the café?", schema, "Plan"}, {}),
              R"({"keywords":["x"],"days":0})");
    FakeModelServer::Request sent = server.requests().back();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(
        sent.body.toStdString(),
        R"({"model":"first-model","response_format":{"type":"json_schema","json_schema":{"name":"Plan",)"
        R"("strict":true,"schema":)" +
            schemaText +
            R"(}},"messages":[{"role":"system","content":"Make keywords.\n\nReply with one JSON object )"
            R"(that follows this JSON schema:\n)" +
            insideString(schemaText) + R"("},{"role":"user","content":"Where was the café?"}]})");

    // A configured name is asked for by that name; text that is not UTF-8 is sent replaced.
    ChatCompletionsClient named(settings(server.url(), "second-model"));
    named.respond({"Be brief.", "caf\xC3 and more", std::nullopt, {}}, {});
    sent = server.requests().back();
    EXPECT_EQ(sent.body.toStdString(), R"({"model":"second-model","messages":[{"role":"system","content":)"
                                       R"("Be brief."},{"role":"user","content":"caf)"
                                       "\xEF\xBF\xBD"
                                       R"( and more"}]})");
}

TEST(ChatCompletionsClient, AFailedRequestThrowsAndIsNotRepeated) {
    const struct {
        const char* name;
        FakeModelServer::Response response;
        const char* reason;
    } cases[] = {
        {"server error", {500, R"({"error":{"message":"out of memory"}})"}, "HTTP status 500: out of memory"},
        {"loading", {503, R"({"error":"Loading model"})"}, "HTTP status 503: Loading model"},
        {"garbage", {200, "Sure! Here you go"}, "could not be read"},
        {"no choices", {200, R"({"choices":[]})"}, "could not be read"},
        {"no content",
         {200, R"({"choices":[{"message":{"role":"assistant","content":null}}]})"},
         "could not be read"},
        {"no answer", {200, {}, true}, "did not answer"},
    };
    for (const auto& c : cases) {
        FakeModelServer server([&](const FakeModelServer::Request&) { return c.response; });
        ChatCompletionsClient client(settings(server.url(), "m"));
        try {
            client.respond(plainRequest(), {});
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const LanguageModelError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << c.name << ": " << error.what();
        }
        EXPECT_EQ(server.requests().size(), 1u) << c.name;
    }
    ChatCompletionsClient nobodyThere(settings("http://127.0.0.1:" + std::to_string(closedPort())));
    EXPECT_THROW(nobodyThere.respond(plainRequest(), {}), LanguageModelError);
}

TEST(ChatCompletionsClient, ProxySettingsAreIgnored) {
    FakeModelServer proxy([](const FakeModelServer::Request&) { return FakeModelServer::Response{502, {}}; });
    FakeModelServer server(serving({200, FakeModelServer::completion("Direct.")}));
    const std::string proxyURL = proxy.url();
    for (const char* variable : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::setenv(variable, proxyURL.c_str(), 1);
    }
    ChatCompletionsClient client(settings(server.url(), "m"));
    const std::string reply = client.respond(plainRequest(), {});
    for (const char* variable : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(variable);
    }
    EXPECT_EQ(reply, "Direct.");
    EXPECT_EQ(proxy.connections(), 0);
}

TEST(ChatCompletionsClient, AStopEndsARequestThatIsStillWaiting) {
    FakeModelServer server(serving({200, {}, true}));
    ChatCompletionsClient::Settings patient = settings(server.url(), "m");
    patient.responseTimeout = std::chrono::hours(1);
    ChatCompletionsClient client(patient);
    std::stop_source stop;
    auto request =
        std::async(std::launch::async, [&] { return client.respond(plainRequest(), stop.get_token()); });
    while (server.requests().empty()) {
        std::this_thread::sleep_for(5ms);
    }
    stop.request_stop();
    EXPECT_THROW(request.get(), LanguageModelError);
}

} // namespace
