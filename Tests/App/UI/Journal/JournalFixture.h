#pragma once

#include "AI/AIService.h"
#include "Model/AppSettings.h"
#include "Platform/Fake/FakeLanguageModel.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Journal/JournalController.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vesperline {

// What a journal is made over: a store of its own, settings in memory, the language-model service on
// a fake model (available, until the test says otherwise), and a record of where the journal sent
// the user. The clock stands at noon on Monday 2025-03-03 in Istanbul, where the tests run.
class JournalFixture : public ::testing::Test {
  protected:
    static constexpr ostrel::Time today = 1740949200;
    static constexpr ostrel::Time yesterday = today - 86400;
    static constexpr ostrel::Time noon = today + 12 * 3600;
    static constexpr int patience = 30000; // ms; the machine may be busy

    ~JournalFixture() override { release(1000); }

    // The service, once its first availability check has said whether the model can be used.
    AIService& ai(bool available = true) {
        if (!ai_) {
            model.setUnavailability(available
                                        ? std::nullopt
                                        : std::optional(platform::LanguageModel::Unavailability::notRunning));
            ai_ = std::make_unique<AIService>(model, clock, format);
            // Until the first check ends the model counts as unavailable for another reason; both
            // outcomes used here differ from that, so the end of the check is signalled.
            QSignalSpy checked(ai_.get(), &AIService::availabilityChanged);
            EXPECT_TRUE(QTest::qWaitFor([&] { return checked.count() == 1; }, patience));
        }
        return *ai_;
    }

    std::unique_ptr<JournalController> makeController(bool modelAvailable = true) {
        AIService& service = ai(modelAvailable);
        return std::make_unique<JournalController>(hub, settings, service, navigation(), format, clock);
    }
    JournalController::Navigation navigation() {
        return {[this](ostrel::Time time) { timelineOpenedAt.push_back(time); },
                [this](const QString& text) { searches.push_back(text); }};
    }

    // A span of `seconds` in an app (its id made from its name), optionally in a project.
    void addSpan(ostrel::Time start, double seconds, const std::string& app,
                 std::optional<std::string> project = std::nullopt,
                 std::optional<std::string> bundleID = std::nullopt) {
        ostrel::ActivitySpan span;
        span.start = start;
        span.end = start + seconds;
        span.appBundleID = bundleID ? bundleID : std::optional("org.example." + app);
        span.appName = app;
        span.project = std::move(project);
        span.windowTitle = app + " window";
        hub.sync([&](ostrel::MemoryStore& store) { store.insertActivity(span); });
    }
    void storeSummary(ostrel::Time day, const std::string& text, const std::string& source) {
        hub.sync([&](ostrel::MemoryStore& store) {
            store.saveSummary(ostrel::MemoryStore::dayKey(day), text, source);
        });
    }
    std::optional<ostrel::MemoryStore::SavedSummary> storedSummary(ostrel::Time day) {
        return hub.sync(
            [&](ostrel::MemoryStore& store) { return store.summary(ostrel::MemoryStore::dayKey(day)); });
    }

    // Shows the controller and waits for the day's load.
    static bool showAndLoad(JournalController& controller) {
        QSignalSpy loaded(&controller, &JournalController::logChanged);
        controller.setShown(true);
        return loaded.wait(patience);
    }
    static bool loadDay(JournalController& controller, ostrel::Time day) {
        QSignalSpy loaded(&controller, &JournalController::logChanged);
        controller.setDay(day);
        return loaded.wait(patience);
    }
    static bool waitUntilDone(JournalController& controller) {
        return QTest::qWaitFor([&] { return !controller.generating(); }, patience);
    }

    // The model answers request i with `replies[i]`, each once it has been released.
    void holdReplies(std::vector<std::string> replies) {
        model.setReply([this, replies = std::move(replies)](const auto&) {
            std::unique_lock lock(holdLock_);
            const std::size_t turn = asked_++;
            released_.wait(lock, [&] { return releasedCount_ > turn; });
            return turn < replies.size() ? replies[turn] : std::string("unexpected request");
        });
    }
    // Lets the next `count` held requests be answered.
    void release(std::size_t count = 1) {
        {
            std::lock_guard lock(holdLock_);
            releasedCount_ += count;
        }
        released_.notify_all();
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{noon};
    StoreHub hub{data.path(), clock};
    AppSettings settings{std::make_shared<platform::MemorySettingsStore>()};
    const Format format{"en_US", "Europe/Istanbul"};
    platform::FakeLanguageModel model;
    std::vector<ostrel::Time> timelineOpenedAt;
    std::vector<QString> searches;

  private:
    std::mutex holdLock_;
    std::condition_variable released_;
    std::size_t releasedCount_ = 0;
    std::size_t asked_ = 0;
    std::unique_ptr<AIService> ai_;
};

} // namespace vesperline
