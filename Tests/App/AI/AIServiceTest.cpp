#include "AI/AIService.h"

#include "AI/AIUnavailableError.h"
#include "Platform/Fake/FakeLanguageModel.h"
#include "Store/StoreHub.h"
#include "Support/LogCapture.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <latch>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vesperline;
using platform::FakeLanguageModel;
using platform::LanguageModel;
using Unavailability = LanguageModel::Unavailability;

namespace {

// 2025-03-01 14:05:09 in Istanbul, where the tests run.
constexpr ostrel::Time now = 1740827109;
constexpr double day = 86400;
constexpr int patience = 30000; // ms; the machine may be busy

// en_US puts a narrow no-break space before AM/PM.
QString englishTime(const char* clock, const char* period) {
    return QString::fromUtf8(clock) + QChar(0x202F) + QString::fromUtf8(period);
}

std::string plan(const std::vector<std::string>& keywords, std::int64_t days = 0) {
    return nlohmann::json{{"keywords", keywords}, {"days", days}}.dump();
}

template <typename T> T waitFor(QFuture<T> future) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, patience));
    return future.result();
}

class AIServiceTest : public testing::Test {
  protected:
    AIServiceTest() : clock_(now), hub_(data_.path(), clock_), format_("en_US", "Europe/Istanbul") {}

    // The service, once its first availability check has reported `unavailability`.
    AIService& service(std::optional<Unavailability> unavailability = std::nullopt) {
        model_.setUnavailability(unavailability);
        service_.reset();
        service_ = std::make_unique<AIService>(model_, clock_, format_);
        // Before the first check ends the model counts as unavailable "right now"; both outcomes
        // used here differ from that, so the end of the check is signalled.
        QSignalSpy checked(service_.get(), &AIService::availabilityChanged);
        EXPECT_TRUE(QTest::qWaitFor([&] { return checked.count() == 1; }, patience));
        return *service_;
    }

    std::int64_t add(ostrel::Time time, std::optional<std::string> appName, std::optional<std::string> title,
                     std::vector<std::string> lines) {
        const std::optional<std::string> bundleID =
            appName ? std::optional("org.example." + *appName) : std::nullopt;
        const ostrel::NewFrame frame =
            testsupport::Moment(time).app(bundleID, appName).title(title).lines(lines);
        return hub_.sync([&](ostrel::MemoryStore& store) { return store.insertFrame(frame); });
    }

    // Moments an hour apart, each in its own window so none are grouped, holding `word`.
    std::vector<std::int64_t> addMany(const std::string& word, int count, ostrel::Time start) {
        std::vector<std::int64_t> ids;
        for (int i = 0; i < count; ++i) {
            ids.push_back(
                add(start - i * 3600, "App", word + " window " + std::to_string(i), {word + " body"}));
        }
        return ids;
    }

    AIService::Answer ask(const QString& question) { return waitFor(service_->answer(question, hub_)); }

    static std::vector<std::int64_t> ids(const std::vector<ostrel::SearchHit>& hits) {
        std::vector<std::int64_t> result;
        for (const ostrel::SearchHit& hit : hits) {
            result.push_back(hit.frame.id);
        }
        return result;
    }

    testsupport::DataFolder data_;
    testsupport::ManualClock clock_;
    StoreHub hub_;
    Format format_;
    FakeLanguageModel model_;
    std::unique_ptr<AIService> service_;
};

TEST_F(AIServiceTest, AvailabilityFollowsTheChecksWithoutWaitingForThem) {
    AIService& ai = service(Unavailability::notConfigured);
    QSignalSpy changes(&ai, &AIService::availabilityChanged);
    const struct {
        std::optional<Unavailability> reason;
        std::optional<QString> message;
    } cases[] = {
        {Unavailability::notLocal, "The language model must run on this computer."},
        {Unavailability::notRunning, "The local language model is not running."},
        {Unavailability::loading, "The local language model is still loading. Try again later."},
        {std::nullopt, std::nullopt},
        {Unavailability::noModel, "The local language model server has no model loaded."},
        {Unavailability::other, "The local language model is not available right now."},
        {Unavailability::notConfigured, "Set up a local language model to use this."},
    };
    for (const auto& c : cases) {
        // The check is held until the test lets it end: meanwhile the last outcome still reads at once,
        // and asking again starts no second check.
        std::latch release(1);
        const int checksBefore = model_.checks();
        model_.setCheck([&] {
            release.wait();
            return c.reason;
        });
        const std::optional<QString> before = ai.availabilityMessage();
        ai.refreshAvailability();
        ai.refreshAvailability();
        EXPECT_EQ(ai.availabilityMessage(), before);
        release.count_down();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ai.availabilityMessage() == c.message; }, patience));
        EXPECT_EQ(model_.checks(), checksBefore + 1);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return changes.count() == static_cast<int>(&c - cases) + 1; }, patience));
    }
}

TEST_F(AIServiceTest, TheSearchPlanIsAskedForWithItsInstructionsAndSchema) {
    service();
    add(now - 3600, "Mail", "Inbox", {"The AdMob ID is ca-app-pub-1234"});
    model_.setReplies({plan({"AdMob"}), "It is ca-app-pub-1234 [1]."});
    const QString question = QStringLiteral("  What was the AdMob ID I saw last week?\n");
    ask(question);

    const std::vector<LanguageModel::Request> requests = model_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(
        requests[0].instructions,
        "Turn the user's question about something they saw on their computer screen into search keywords.");
    EXPECT_EQ(requests[0].prompt, question.toStdString()); // exactly as typed
    EXPECT_EQ(requests[0].schemaName, "SearchPlan");
    ASSERT_TRUE(requests[0].schema);
    EXPECT_EQ(
        requests[0].schema->dump(),
        R"({"type":"object","properties":{"keywords":{"description":"2 to 5 short search keywords or )"
        R"(exact phrases likely to appear on screen, in the language they would be written in","type":)"
        R"("array","items":{"type":"string"}},"days":{"description":"How many days back to search; 0 if )"
        R"(not specified","type":"integer","minimum":0,"maximum":365}},"required":["keywords","days"],)"
        R"("additionalProperties":false})");
    EXPECT_FALSE(requests[1].schema);
}

TEST(AIServiceSearchPlan, ThePlanIsTheFirstJSONObjectOfTheReplyStillReadStrictly) {
    using Plan = AIService::SearchPlan;
    const Plan invoice{{"invoice", "ACME"}, 7};
    const std::string object = R"({"keywords":["invoice","ACME"],"days":7})";
    const struct {
        const char* name;
        std::string reply;
        std::optional<Plan> plan; // none: the reply is refused
    } cases[] = {
        {"bare", object, invoice},
        {"surrounded by white space", "\n  \t" + object + "\n\n", invoice},
        {"fenced as JSON", "```json\n" + object + "\n```", invoice},
        {"fenced without a language", "```\n" + object + "\n```\n", invoice},
        {"after a line of prose", "Here is the plan:\n```json\n" + object + "\n```", invoice},
        {"two objects", object + "\n" + R"({"keywords":["other"],"days":1})", invoice},
        {"braces inside texts", R"({"keywords":["a } b","{c"],"days":0})", Plan{{"a } b", "{c"}, 0}},
        {"broken", "```json\n{\"keywords\": [\"invoice\"], \"days\": \n```", std::nullopt},
        {"no object", "invoice, receipt", std::nullopt},
        {"a list", R"(["invoice"])", std::nullopt},
        {"empty", "", std::nullopt},
        // Found in a code block, the object is still held to the schema's types.
        {"fenced, days a text", "```json\n" + std::string(R"({"keywords":["a"],"days":"7"})") + "\n```",
         std::nullopt},
        {"fenced, keywords missing", "```json\n{\"days\":7}\n```", std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.plan) {
            EXPECT_EQ(Plan::fromJSON(c.reply), *c.plan) << c.name;
        } else {
            EXPECT_THROW(Plan::fromJSON(c.reply), platform::LanguageModelError) << c.name;
        }
    }
}

TEST_F(AIServiceTest, TheAnswerCitesNumberedExcerptsOfTheMomentsFound) {
    service();
    const std::int64_t mail = add(now - 3600, "Mail", "Inbox", {"Invoice 2024 from ACME", "Total due: 12"});
    const std::int64_t bare = add(now - day - 7200, std::nullopt, std::nullopt, {"ACME invoice draft"});
    model_.setReplies({plan({"invoice"}), "\n  The invoice came from ACME [1][2].  \n"});

    const AIService::Answer answer = ask(QStringLiteral("Who sent the invoice?"));
    EXPECT_EQ(answer.text, QStringLiteral("The invoice came from ACME [1][2]."));
    ASSERT_EQ(ids(answer.sources), (std::vector<std::int64_t>{mail, bare}));

    const LanguageModel::Request request = model_.requests().at(1);
    EXPECT_EQ(
        request.instructions,
        "You answer questions about what the user saw on their screen, using ONLY the numbered excerpts. "
        "Cite sources like [1]. If the excerpts don't contain the answer, say so briefly. Answer in "
        "English, in at most 4 sentences.");
    // The header of a moment without app name shows "?", without window title nothing after its dash.
    const QString expected = QStringLiteral("Excerpts:\n[1] Today ") + englishTime("1:05", "PM") +
                             QStringLiteral(" \u2014 Mail \u2014 Inbox\n") +
                             QString::fromStdString(answer.sources[0].snippet.text) +
                             QStringLiteral("\n\n[2] Yesterday ") + englishTime("12:05", "PM") +
                             QStringLiteral(" \u2014 ? \u2014 \n") +
                             QString::fromStdString(answer.sources[1].snippet.text) +
                             QStringLiteral("\n\n\nQuestion: Who sent the invoice?");
    EXPECT_EQ(request.prompt, expected.toStdString());
    EXPECT_NE(answer.sources[0].snippet.text.find("Invoice"), std::string::npos);
}

TEST_F(AIServiceTest, KeywordSearchesCollectDistinctMomentsInTheirOrder) {
    service();
    const std::int64_t both = add(now - 100, "Notes", "alpha beta", {"alpha beta"});
    const std::int64_t onlyBeta = add(now - 5000, "Notes", "beta", {"beta only"});
    std::vector<std::int64_t> numbered; // kw1 ... kw7 find one moment each
    for (int i = 1; i <= 7; ++i) {
        numbered.push_back(add(now - i * 10000, "App", "w" + std::to_string(i), {"kw" + std::to_string(i)}));
    }
    const std::vector<std::int64_t> gamma = addMany("gamma", 5, now - 200000);
    const std::vector<std::int64_t> delta = addMany("delta", 5, now - 300000);
    const std::vector<std::int64_t> epsilon = addMany("epsilon", 5, now - 400000);
    const std::vector<std::int64_t> question = addMany("zebra", 7, now - 500000);

    const struct {
        const char* name;
        std::vector<std::string> keywords;
        std::vector<std::int64_t> expected;
    } cases[] = {
        // A moment found twice keeps the place where it was found first.
        {"duplicates", {"alpha", "beta"}, {both, onlyBeta}},
        // Only the first five keywords are searched.
        {"seven keywords",
         {"kw1", "kw2", "kw3", "kw4", "kw5", "kw6", "kw7"},
         std::vector(numbered.begin(), numbered.begin() + 5)},
        // Four hits per keyword; at most eight in all: the first two keywords' hits.
        {"cut to eight",
         {"gamma", "delta", "epsilon"},
         {gamma[0], gamma[1], gamma[2], gamma[3], delta[0], delta[1], delta[2], delta[3]}},
        // Keywords that find something keep the question's own search away.
        {"keywords found", {"kw3", "nothing-here"}, {numbered[2]}},
        // Keywords that find nothing, or none at all: the question itself, six hits at most.
        {"fallback", {"nothing-here", ""}, std::vector(question.begin(), question.begin() + 6)},
        {"no keywords", {}, std::vector(question.begin(), question.begin() + 6)},
    };
    for (const auto& c : cases) {
        model_.setReplies({plan(c.keywords), "Answer."});
        EXPECT_EQ(ids(ask(QStringLiteral("zebra")).sources), c.expected) << c.name;
    }
}

TEST_F(AIServiceTest, ThePlansDaysBoundTheSearchToThatManyDaysBack) {
    service();
    const std::int64_t sixDays = add(now - 6 * day, "App", "six", {"ledger six"});
    const std::int64_t eightDays = add(now - 8 * day, "App", "eight", {"ledger eight"});
    const std::int64_t yearAgo = add(now - 300 * day, "App", "year", {"ledger year"});
    const std::int64_t older = add(now - 400 * day, "App", "older", {"ledger older"});
    const struct {
        std::string days;
        std::vector<std::int64_t> expected;
    } cases[] = {
        {"0", {sixDays, eightDays, yearAgo, older}},
        {"-3", {sixDays, eightDays, yearAgo, older}},
        {"7", {sixDays}},
        // More than a year back is held to a year, however large the number the model sends.
        {"100000", {sixDays, eightDays, yearAgo}},
        {"9223372036854775807", {sixDays, eightDays, yearAgo}},
        {"18446744073709551615", {sixDays, eightDays, yearAgo}},
    };
    for (const auto& c : cases) {
        model_.setReplies({R"({"keywords":["ledger"],"days":)" + c.days + "}", "Answer."});
        std::vector<std::int64_t> found = ids(ask(QStringLiteral("ledger?")).sources);
        std::sort(found.begin(), found.end());
        std::vector<std::int64_t> expected = c.expected;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(found, expected) << c.days;
    }
}

TEST_F(AIServiceTest, NothingFoundIsAnsweredWithoutAskingTheModelAgain) {
    service();
    add(now - 60, "Mail", "Inbox", {"unrelated"});
    model_.setReplies({plan({"missing"})});
    const AIService::Answer answer = ask(QStringLiteral("Where is the treasure?"));
    EXPECT_EQ(answer.text, QStringLiteral("I couldn't find anything about that in your memory."));
    EXPECT_TRUE(answer.sources.empty());
    EXPECT_EQ(model_.requests().size(), 1u);
}

TEST_F(AIServiceTest, FailuresReachTheCaller) {
    // An unavailable model fails at once, before any request.
    service(Unavailability::notRunning);
    EXPECT_THROW(ask(QStringLiteral("Anything?")), AIUnavailableError);
    EXPECT_TRUE(model_.requests().empty());

    service();
    add(now - 60, "Mail", "Inbox", {"invoice"});
    const struct {
        const char* name;
        std::vector<std::string> replies;
        bool requestFails; // rather than its reply being unreadable
    } cases[] = {
        {"plan request fails", {}, true},
        {"plan is not JSON", {"invoice, receipt"}, false},
        {"keywords not texts", {R"({"keywords":[1,2],"days":0})"}, false},
        {"days missing", {R"({"keywords":["invoice"]})"}, false},
        {"days not an integer", {R"({"keywords":["invoice"],"days":1.5})"}, false},
        {"answer request fails", {plan({"invoice"})}, true},
    };
    for (const auto& c : cases) {
        const int checks = model_.checks();
        model_.setReplies(c.replies);
        EXPECT_THROW(ask(QStringLiteral("Invoice?")), platform::LanguageModelError) << c.name;
        if (c.requestFails) {
            // The model may have gone away: it is checked again.
            EXPECT_TRUE(QTest::qWaitFor([&] { return model_.checks() > checks; }, patience)) << c.name;
        }
    }
}

class AIServiceSummaryTest : public AIServiceTest {
  protected:
    static ostrel::WorkLog log(double seconds, int apps, int projects, bool withTimes) {
        ostrel::WorkLog log;
        log.totalSeconds = seconds;
        for (int i = 0; i < apps; ++i) {
            log.apps.push_back(
                {"a" + std::to_string(i), "App" + std::to_string(i), std::nullopt, 3600.0 - i * 600});
        }
        for (int i = 0; i < projects; ++i) {
            log.projects.push_back(
                {"p" + std::to_string(i), "Project" + std::to_string(i), std::nullopt, 1200});
        }
        if (withTimes) {
            log.firstActivity = now - 5 * 3600; // 9:05 AM
            log.lastActivity = now;             // 2:05 PM
        }
        return log;
    }

    AIService::Summary summarize(const ostrel::WorkLog& log,
                                 const std::vector<ostrel::MemoryStore::TitleCount>& titles = {}) {
        return waitFor(service_->summarize(log, titles));
    }
};

TEST_F(AIServiceSummaryTest, TheFallbackTellsTheDayInPlainSentences) {
    AIService& ai = service();
    ostrel::WorkLog shortApp = log(3900, 1, 0, false);
    shortApp.apps[0].seconds = 20;
    const struct {
        ostrel::WorkLog log;
        QString expected;
    } cases[] = {
        {log(0, 4, 2, true), "No activity was recorded on this day."},
        {log(3900, 0, 0, false), "You were active for 1 hr, 5 min."},
        {shortApp, "You were active for 1 hr, 5 min. Most of the time went to App0 (1 min)."},
        {log(3900, 5, 1, true),
         "You were active for 1 hr, 5 min between " + englishTime("9:05", "AM") + " and " +
             englishTime("2:05", "PM") +
             ". Most of the time went to App0 (1 hr), App1 (50 min), and App2 (40 min). "
             "Main work: Project0 (20 min)."},
        {log(60, 0, 4, false), "You were active for 1 min. Main work: Project0 (20 min), Project1 (20 min), "
                               "and Project2 (20 min)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ai.fallbackSummary(c.log), c.expected);
    }
}

TEST_F(AIServiceSummaryTest, TheModelIsGivenTheDaysFacts) {
    service();
    std::vector<ostrel::MemoryStore::TitleCount> titles;
    for (int i = 0; i < 30; ++i) {
        titles.push_back({"App" + std::to_string(i), "Title " + std::to_string(i), 30 - i});
    }
    titles[0].title = std::string(120, 'x');
    model_.setReplies({"  A calm day.\n"});
    EXPECT_EQ(summarize(log(7200, 12, 2, true), titles), (AIService::Summary{"A calm day.", "ai"}));

    const LanguageModel::Request request = model_.requests().at(0);
    EXPECT_EQ(
        request.instructions,
        "You write a short, friendly end-of-day summary of how someone used their computer, based only on "
        "the facts given. Write 3-5 sentences in English. Mention the main work, apps and how long. Never "
        "invent details. No lists, no headings.");
    QString facts =
        "Total active time: 2 hr.\nActive between " + englishTime("9:05", "AM") + " and " +
        englishTime("2:05", "PM") +
        ".\nApps: App0 1 hr; App1 50 min; App2 40 min; App3 30 min; App4 20 min; App5 10 min; App6 1 "
        "min; App7 1 min\nProjects or sites: Project0 20 min; Project1 20 min\nFrequently seen "
        "windows:\nApp0: " +
        QString(80, 'x');
    for (int i = 1; i < 25; ++i) {
        facts += QStringLiteral("\nApp%1: Title %1").arg(i);
    }
    EXPECT_EQ(request.prompt, facts.toStdString());
    EXPECT_FALSE(request.schema);

    // Without apps, projects, times or titles the headings stay, but the projects line goes.
    model_.setReplies({"Quiet."});
    summarize(log(30, 0, 0, false));
    EXPECT_EQ(model_.requests().at(1).prompt,
              "Total active time: 1 min.\nApps: \nFrequently seen windows:\n");
}

TEST_F(AIServiceSummaryTest, WithoutTheModelTheFallbackIsTaggedTemplate) {
    const ostrel::WorkLog workday = log(3900, 2, 0, false);
    const AIService::Summary fallback{
        "You were active for 1 hr, 5 min. Most of the time went to App0 (1 hr) and App1 (50 min).",
        "template"};

    // The model failing: the fallback and one log line.
    {
        service();
        testsupport::LogCapture logs;
        model_.setReplies({});
        EXPECT_EQ(summarize(workday), fallback);
        EXPECT_EQ(logs.count("ai: Summary failed: the fake model has no more replies"), 1);
    }
    // The model unavailable: the fallback without asking it, and nothing logged.
    {
        service(Unavailability::loading);
        testsupport::LogCapture logs;
        const std::size_t requests = model_.requests().size();
        EXPECT_EQ(summarize(workday), fallback);
        EXPECT_EQ(model_.requests().size(), requests);
        EXPECT_EQ(logs.count("Summary failed"), 0);
    }
}

TEST_F(AIServiceSummaryTest, NoRequestWaitsForAnotherInFlight) {
    add(now - 60, "Mail", "Inbox", {"invoice"});
    const ostrel::WorkLog workday = log(3900, 2, 0, false);
    const auto isSummary = [](const LanguageModel::Request& request) {
        return request.instructions.starts_with("You write a short, friendly end-of-day summary");
    };
    const struct {
        const char* name;
        std::function<bool(const LanguageModel::Request&)> held; // the request the model sits on
        std::function<QFuture<void>()> first;
    } cases[] = {
        {"a summary being written", isSummary,
         [&] { return QFuture<void>(service_->summarize(workday, {})); }},
        {"a question being planned",
         [](const LanguageModel::Request& request) { return request.prompt == "Held?"; },
         [&] { return QFuture<void>(service_->answer(QStringLiteral("Held?"), hub_)); }},
    };
    for (const auto& c : cases) {
        service();
        std::latch release(1);
        std::atomic<bool> holding = false;
        model_.setReply([&](const LanguageModel::Request& request) -> std::string {
            if (c.held(request) && !holding.exchange(true)) {
                release.wait();
            }
            if (request.schema) {
                return plan({"invoice"});
            }
            return isSummary(request) ? "Summary." : "Answer [1].";
        });
        // However the checks below end, the held request is let go and every request has ended
        // before what the model's replies use goes.
        const auto closeService = [&](std::latch* latch) {
            if (!latch->try_wait()) {
                latch->count_down();
            }
            service_.reset();
        };
        const std::unique_ptr<std::latch, decltype(closeService)> letGo(&release, closeService);
        QFuture<void> first = c.first();
        ASSERT_TRUE(QTest::qWaitFor([&] { return holding.load(); }, patience)) << c.name;

        // Meanwhile a question and a summary are answered, and the first request is still held.
        QFuture<AIService::Answer> question = service_->answer(QStringLiteral("Invoice?"), hub_);
        QFuture<AIService::Summary> summary = service_->summarize(workday, {});
        ASSERT_TRUE(QTest::qWaitFor([&] { return question.isFinished() && summary.isFinished(); }, patience))
            << c.name;
        EXPECT_EQ(question.result().text, QStringLiteral("Answer [1].")) << c.name;
        EXPECT_EQ(summary.result(), (AIService::Summary{"Summary.", "ai"})) << c.name;
        EXPECT_FALSE(first.isFinished()) << c.name;

        release.count_down();
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.isFinished(); }, patience)) << c.name;
    }
}

} // namespace
