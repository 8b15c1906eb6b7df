#include "UI/Ask/AskController.h"

#include "AskFixture.h"
#include "Support/QtPrinters.h"

#include <QSignalSpy>

namespace vesperline {
namespace {

class AskControllerTest : public AskFixture {
  protected:
    void waitForAnswer() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->asking(); }, patience));
    }

    std::unique_ptr<AskController> controller = makeController();
};

TEST_F(AskControllerTest, AQuestionIsAskedTrimmedAndAnsweredWithItsSources) {
    const std::int64_t mail = add(now - 3600, "Mail", "Inbox", {"Invoice from ACME"});
    const std::int64_t notes = add(now - 7200, "Notes", "Bills", {"invoice paid"});
    QSignalSpy changed(controller.get(), &AskController::exchangeChanged);
    hold();
    controller->setQuestion(QStringLiteral("  Who sent the invoice?\n "));
    EXPECT_TRUE(controller->canSend());
    controller->ask();

    // Accepted at once: the composer is emptied and the question waits for its answer.
    EXPECT_EQ(controller->question(), QString());
    EXPECT_TRUE(controller->asking());
    ASSERT_EQ(controller->exchanges().size(), 1u);
    EXPECT_EQ(controller->exchanges()[0].question, QStringLiteral("Who sent the invoice?"));
    EXPECT_FALSE(controller->exchanges()[0].answer);

    // A second question meanwhile is ignored, and the composer keeps it.
    controller->setQuestion(QStringLiteral("And the amount?"));
    controller->ask();
    EXPECT_EQ(controller->exchanges().size(), 1u);
    EXPECT_EQ(controller->question(), QStringLiteral("And the amount?"));

    release();
    waitForAnswer();
    const AskController::Exchange& exchange = controller->exchanges()[0];
    EXPECT_EQ(exchange.answer, QStringLiteral("It was ACME [1]."));
    EXPECT_FALSE(exchange.failed);
    ASSERT_EQ(exchange.sources.size(), 2u);
    EXPECT_EQ(exchange.sources[0].frame.id, mail);
    EXPECT_EQ(exchange.sources[1].frame.id, notes);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(plannedQuestions(), std::vector<std::string>{"Who sent the invoice?"});

    // The composer's text is asked next, as a second exchange after the first.
    controller->ask();
    waitForAnswer();
    ASSERT_EQ(controller->exchanges().size(), 2u);
    EXPECT_EQ(controller->exchanges()[1].question, QStringLiteral("And the amount?"));
}

TEST_F(AskControllerTest, OnlyTextBeyondBlanksCanBeSent) {
    const struct {
        const char* question;
        bool canSend; // spaces and tabs alone do not count
    } cases[] = {
        {"", false},     {"   ", false},
        {" \t ", false}, {"\n\n", true}, // the button is enabled, but asking it does nothing
        {" \n\t", true},
    };
    for (const auto& c : cases) {
        controller->setQuestion(QString::fromUtf8(c.question));
        EXPECT_EQ(controller->canSend(), c.canSend) << c.question;
        controller->ask();
        EXPECT_TRUE(controller->exchanges().empty()) << c.question;
        EXPECT_FALSE(controller->asking()) << c.question;
        EXPECT_EQ(controller->question(), QString::fromUtf8(c.question));
    }
    EXPECT_TRUE(model.requests().empty());
}

TEST_F(AskControllerTest, AQuestionLongerThanASearchReadsIsAnsweredWithTheLimitAndKept) {
    QString words;
    for (int i = 0; i < 64; ++i) {
        words += QStringLiteral("invoice ");
    }
    const std::vector<QString> tooLong = {words + QStringLiteral("paid?"), QString(1001, QLatin1Char('x')),
                                          words.repeated(1000)};
    for (const QString& question : tooLong) {
        controller->setQuestion(question);
        controller->ask();
        EXPECT_FALSE(controller->asking());
        const AskController::Exchange& exchange = controller->exchanges().back();
        EXPECT_EQ(exchange.question, question.trimmed());
        EXPECT_EQ(exchange.answer,
                  QStringLiteral("That question is too long to search for. Ask it in at most 64 "
                                 "words and 1,000 characters."));
        EXPECT_TRUE(exchange.failed);
        EXPECT_EQ(controller->question(), question) << "kept to be shortened";
    }
    EXPECT_EQ(controller->exchanges().size(), tooLong.size());
    EXPECT_TRUE(model.requests().empty()) << "the model is not asked";

    // As long as a search reads, and followed by white space, it is asked.
    controller->setQuestion(words + QStringLiteral("   \n"));
    controller->ask();
    EXPECT_TRUE(controller->asking());
    waitForAnswer();
    EXPECT_FALSE(controller->exchanges().back().failed);
}

TEST_F(AskControllerTest, WhatCameBackIsShownAsTheAnswerOrTheOneFailureText) {
    add(now - 3600, "Mail", "Inbox", {"Invoice from ACME"});
    const QString failure = QStringLiteral("Sorry, I couldn't answer that right now. Try searching instead.");
    const struct {
        const char* name;
        std::string plan;
        QString answer;
        bool failed;
        std::size_t sources;
    } cases[] = {
        {"answered", R"({"keywords":["invoice"],"days":0})", QStringLiteral("It was ACME [1]."), false, 1},
        {"nothing found", R"({"keywords":["treasure"],"days":0})",
         QStringLiteral("I couldn't find anything about that in your memory."), false, 0},
        {"the model fails", "not a plan", failure, true, 0},
    };
    for (const auto& c : cases) {
        plan = c.plan;
        controller->setQuestion(QStringLiteral("Where did I see it?"));
        controller->ask();
        waitForAnswer();
        const AskController::Exchange& exchange = controller->exchanges().back();
        EXPECT_EQ(exchange.answer, c.answer) << c.name;
        EXPECT_EQ(exchange.failed, c.failed) << c.name;
        EXPECT_EQ(exchange.sources.size(), c.sources) << c.name;
    }

    // A model that went away since the screen last heard fails the same way, before any search.
    model.setUnavailability(platform::LanguageModel::Unavailability::notRunning);
    ai->refreshAvailability();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ai->availabilityMessage().has_value(); }, patience));
    const std::size_t requests = model.requests().size();
    controller->setQuestion(QStringLiteral("Still there?"));
    controller->ask();
    waitForAnswer();
    EXPECT_EQ(controller->exchanges().back().answer, failure);
    EXPECT_TRUE(controller->exchanges().back().failed);
    EXPECT_EQ(model.requests().size(), requests);
}

TEST_F(AskControllerTest, TheNoticeRefreshesTheModelEachTimeItComesOnScreenAndTheComposerTakesTheFocus) {
    auto notice = makeController(
        AIAvailability::unavailable(QStringLiteral("The local language model is not running.")));
    QSignalSpy focus(notice.get(), &AskController::composerFocusRequested);
    notice->setShown(true);
    EXPECT_EQ(events, std::vector<std::string>{"refresh"});
    // Another reason on the notice already shown asks nothing more.
    notice->setAvailability(AIAvailability::unavailable(
        QStringLiteral("The local language model is still loading. Try again later.")));
    EXPECT_EQ(events.size(), 1u);
    // Coming back to the screen shows the notice again.
    notice->setShown(false);
    notice->setShown(true);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(focus.count(), 0);
    // The model became usable: the composer comes on screen and asks for the focus, each time.
    notice->setAvailability(AIAvailability::available());
    EXPECT_EQ(focus.count(), 1);
    notice->setShown(false);
    notice->setShown(true);
    EXPECT_EQ(focus.count(), 2);
    EXPECT_EQ(events.size(), 2u);
    // Unusable again while shown: the notice comes back, and with it a refresh.
    notice->setAvailability(
        AIAvailability::unavailable(QStringLiteral("The local language model is not available right now.")));
    EXPECT_EQ(events.size(), 3u);

    // A refresh that answers at once, from inside the call, turns the screen to the composer.
    auto quick = makeController(
        AIAvailability::unavailable(QStringLiteral("Set up a local language model to use this.")));
    QSignalSpy quickFocus(quick.get(), &AskController::composerFocusRequested);
    onRefresh = [&] { quick->setAvailability(AIAvailability::available()); };
    quick->setShown(true);
    EXPECT_EQ(events.size(), 4u);
    EXPECT_TRUE(quick->availability().isAvailable());
    EXPECT_EQ(quickFocus.count(), 1);
}

TEST_F(AskControllerTest, ASourceCountsAFindAndOpensTheTimelineAtItsMoment) {
    const std::int64_t mail = add(now - 3600, "Mail", "Inbox", {"Invoice from ACME"});
    const std::int64_t bare = add(now - 86400 - 7200, std::nullopt, std::nullopt, {"invoice draft"});
    controller->setQuestion(QStringLiteral("Who sent the invoice?"));
    controller->ask();
    waitForAnswer();
    const std::vector<ostrel::SearchHit>& sources = controller->exchanges()[0].sources;
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(controller->sourceTitle(sources[0]), QStringLiteral("Inbox"));
    EXPECT_EQ(controller->sourceDetail(sources[0]), QStringLiteral("Mail · Today 1:05\u202FPM"));
    // Without an app name the line begins with its separator.
    EXPECT_EQ(controller->sourceDetail(sources[1]), QStringLiteral(" · Yesterday 12:05\u202FPM"));
    EXPECT_EQ(AskController::sourceNumber(0), QStringLiteral("[1]"));
    EXPECT_EQ(AskController::sourceNumber(2), QStringLiteral("[3]"));

    controller->openSource(0, 1);
    controller->openSource(0, 2); // no such source
    controller->openSource(1, 0); // no such exchange
    EXPECT_EQ(events, (std::vector<std::string>{
                          "find", "timeline " + std::to_string(bare) + " at " +
                                      std::to_string(static_cast<std::int64_t>(now - 86400 - 7200))}));
    controller->openSource(0, 0);
    EXPECT_EQ(events.back(), "timeline " + std::to_string(mail) + " at " +
                                 std::to_string(static_cast<std::int64_t>(now - 3600)));
}

TEST_F(AskControllerTest, TheSearchHintNamesTheShortcutEvenWhenItIsOff) {
    EXPECT_EQ(
        controller->searchHint(),
        QStringLiteral("Search still works everywhere: press Shift+Super+Space and type what you remember."));
    QSignalSpy hint(controller.get(), &AskController::searchHintChanged);
    settings.setHotKeyEnabled(false);
    settings.setHotKey({40, HotKeyCombo::command});
    EXPECT_EQ(hint.count(), 1);
    EXPECT_EQ(controller->searchHint(),
              QStringLiteral("Search still works everywhere: press key 40 and type what you remember."));
}

TEST_F(AskControllerTest, AnExampleIsAskedAtOnce) {
    const QStringList examples = AskController::examples();
    ASSERT_EQ(examples.size(), 3);
    EXPECT_EQ(examples[0], QStringLiteral("What was the AdMob ID I saw last week?"));
    controller->askExample(2);
    ASSERT_EQ(controller->exchanges().size(), 1u);
    EXPECT_EQ(controller->exchanges()[0].question, QStringLiteral("What did I work on most this week?"));
    EXPECT_EQ(controller->question(), QString());
    waitForAnswer();
    EXPECT_EQ(plannedQuestions(), std::vector<std::string>{"What did I work on most this week?"});
}

} // namespace
} // namespace vesperline
