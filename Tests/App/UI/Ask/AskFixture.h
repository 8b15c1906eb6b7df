#pragma once

#include "AI/AIService.h"
#include "Model/AppSettings.h"
#include "Platform/Fake/FakeLanguageModel.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Ask/AskController.h"

#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace vesperline {

// What an Ask screen is made over: a store of its own, the language-model service over a fake model
// that plans the keyword "invoice" and answers "It was ACME [1].", settings in memory, and a record
// of what the screen asked of the application model. The model's answers can be held back to keep a
// question in flight. The clock stands at 2025-03-01 14:05:09 in Istanbul, where the tests run.
class AskFixture : public ::testing::Test {
  protected:
    static constexpr ostrel::Time now = 1740827109;
    static constexpr int patience = 30000; // ms; the machine may be busy

    AskFixture() {
        model.setReply([this](const platform::LanguageModel::Request& request) {
            if (request.schema) {
                return plan;
            }
            std::unique_lock lock(gateMutex_);
            gateOpened_.wait(lock, [this] { return !held_; });
            return answer;
        });
        ai = std::make_unique<AIService>(model, clock, format);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ai->availabilityMessage(); }, patience));
    }
    ~AskFixture() override {
        release();
        ai.reset(); // its queue ends before the model goes
    }

    std::unique_ptr<AskController> makeController(AIAvailability availability = AIAvailability::available()) {
        AskController::ModelActions actions{
            .refreshPermissions =
                [this] {
                    events.push_back("refresh");
                    if (onRefresh) {
                        onRefresh();
                    }
                },
            .recordFind = [this] { events.push_back("find"); },
            .openTimeline =
                [this](std::int64_t frameID, ostrel::Time timestamp) {
                    events.push_back("timeline " + std::to_string(frameID) + " at " +
                                     std::to_string(static_cast<std::int64_t>(timestamp)));
                },
            .shortcutText =
                [](const HotKeyCombo& combo) {
                    return combo == HotKeyCombo{} ? QStringLiteral("Shift+Super+Space")
                                                  : QStringLiteral("key %1").arg(combo.keyCode);
                }};
        return std::make_unique<AskController>(*ai, hub, settings, std::move(actions),
                                               std::move(availability), format, clock);
    }

    std::int64_t add(ostrel::Time time, std::optional<std::string> appName, std::optional<std::string> title,
                     std::vector<std::string> lines) {
        const std::optional<std::string> bundleID =
            appName ? std::optional("org.example." + *appName) : std::nullopt;
        testsupport::Moment moment(time);
        moment.app(bundleID, appName).title(title).lines(std::move(lines)).inSegment(segment, nextIndex++);
        return hub.sync([&](ostrel::MemoryStore& store) { return store.insertFrame(moment); });
    }

    // Answers wait until released.
    void hold() {
        std::lock_guard lock(gateMutex_);
        held_ = true;
    }
    void release() {
        {
            std::lock_guard lock(gateMutex_);
            held_ = false;
        }
        gateOpened_.notify_all();
    }
    // The prompts of the search-plan requests: the questions as the model was given them.
    std::vector<std::string> plannedQuestions() const {
        std::vector<std::string> questions;
        for (const platform::LanguageModel::Request& request : model.requests()) {
            if (request.schema) {
                questions.push_back(request.prompt);
            }
        }
        return questions;
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{now};
    StoreHub hub{data.path(), clock};
    std::int64_t segment = hub.sync([](ostrel::MemoryStore& store) {
        return store.openSegment("segments/2025-03-01/1.mp4", 1, now - 86400, 1600, 1000);
    });
    std::int64_t nextIndex = 0;
    const Format format{"en_US", "Europe/Istanbul"};
    AppSettings settings{std::make_shared<platform::MemorySettingsStore>()};
    platform::FakeLanguageModel model;
    std::string plan = R"({"keywords":["invoice"],"days":0})";
    std::string answer = "\n It was ACME [1].\n";
    std::unique_ptr<AIService> ai;
    // What the screen asked of the model, in order.
    std::vector<std::string> events;
    // Runs inside each refresh, as the model would answer it.
    std::function<void()> onRefresh;

  private:
    std::mutex gateMutex_;
    std::condition_variable gateOpened_;
    bool held_ = false;
};

} // namespace vesperline
