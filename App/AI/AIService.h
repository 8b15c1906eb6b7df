#pragma once

#include "Platform/LanguageModel.h"
#include "Rules/WorkLog.h"
#include "Runtime/SerialQueue.h"
#include "Runtime/SystemClock.h"
#include "Storage/MemoryStore.h"
#include "Storage/SearchHit.h"
#include "Store/Format.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace vesperline {

class StoreHub;

// The application's one gateway to the language model on this computer: whether it can be used,
// answers to questions from numbered excerpts of the memory, and the journal's daily summary.
//
// Create and destroy it on the main thread; its operations may be called from any thread. Each
// request (a question, a summary) runs on a worker thread of its own as soon as it is made, so a
// question never waits for a summary the model is still writing, nor for another question. Whether
// the model can be used is checked on a queue of its own and kept, so reading it never waits for the
// model. Destroying the service ends the requests in flight (with their failure or fallback) and
// waits for them.
class AIService final : public QObject {
    Q_OBJECT

  public:
    // The search keywords the model makes of a question.
    struct SearchPlan {
        std::vector<std::string> keywords;
        std::int64_t days = 0; // how many days back to search; 0 for no limit

        // The JSON schema the model's reply follows.
        static const nlohmann::ordered_json& schema();
        // The plan in the model's reply: its first JSON object, also when a code block or other text
        // surrounds it. Throws platform::LanguageModelError when the reply holds no such object, or
        // when the object lacks "keywords" (a list of texts) or "days" (an integer).
        static SearchPlan fromJSON(std::string_view reply);

        bool operator==(const SearchPlan&) const = default;
    };

    struct Answer {
        QString text; // never starts or ends with white space
        // The moments the answer could cite: element i is excerpt [i + 1].
        std::vector<ostrel::SearchHit> sources;
    };

    struct Summary {
        QString text;
        QString source; // "ai" when the model wrote the text, "template" for the plain fallback
        bool operator==(const Summary&) const = default;
    };

    // When the first availability check begins: on creation, or at the first `refreshAvailability`
    // (the application's start waits with it until its window is on screen, since the check loads
    // the model's client).
    enum class FirstCheck { onCreation, onRefresh };

    // `model`, `clock` and `format` must outlive the service.
    explicit AIService(platform::LanguageModel& model, const ostrel::Clock& clock = systemClock(),
                       const Format& format = Format::current(),
                       FirstCheck firstCheck = FirstCheck::onCreation);
    ~AIService() override;
    AIService(const AIService&) = delete;
    AIService& operator=(const AIService&) = delete;

    // Why the model cannot be used, as last checked; absent when it can. Until the first check has
    // ended, it cannot. Never waits.
    std::optional<QString> availabilityMessage() const;
    // Starts a new check in the background, unless one is running; availabilityChanged() follows
    // when its outcome differs from the last one. A model request that fails starts one too.
    void refreshAvailability();

    // Answers a question about what the user saw, from at most eight moments that the search plan's
    // keywords (or else the question itself) find in `hub`, which must outlive the call. Fails with
    // AIUnavailableError, before any search, while the model cannot be used, and with
    // platform::LanguageModelError when the model fails; a failed search only finds nothing.
    QFuture<Answer> answer(const QString& question, StoreHub& hub);

    // A few sentences about the day from the model, or the plain fallback text when the model cannot
    // be used, the future was cancelled before the model was asked, or the model failed (logged).
    // Never fails.
    QFuture<Summary> summarize(const ostrel::WorkLog& log,
                               const std::vector<ostrel::MemoryStore::TitleCount>& titles);

    // The day in plain sentences, without the model.
    QString fallbackSummary(const ostrel::WorkLog& log) const;

  signals:
    // The outcome of an availability check differs from the one before; on the main thread.
    void availabilityChanged();

  private:
    using Unavailability = platform::LanguageModel::Unavailability;

    std::optional<Unavailability> lastUnavailability() const;
    static QString message(Unavailability reason);

    // One request to the model; a failure also starts an availability check.
    std::string respond(const platform::LanguageModel::Request& request);
    SearchPlan makeSearchPlan(const QString& question);
    Answer answerNow(const QString& question, StoreHub& hub);
    std::vector<ostrel::SearchHit> search(StoreHub& hub, const std::string& text,
                                          std::optional<ostrel::Time> from, std::int64_t limit,
                                          ostrel::Time now) const;
    QString excerpts(const std::vector<ostrel::SearchHit>& sources, ostrel::Time now) const;

    Summary summarizeNow(const ostrel::WorkLog& log,
                         const std::vector<ostrel::MemoryStore::TitleCount>& titles,
                         const QPromise<Summary>& promise);
    QString modelSummary(const ostrel::WorkLog& log,
                         const std::vector<ostrel::MemoryStore::TitleCount>& titles);

    // Runs `work(promise)` on a worker thread of its own; the future holds its result or exception.
    template <typename Result, typename Work> QFuture<Result> runRequest(Work work) {
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        requests_.start([promise, work = std::move(work)]() mutable {
            try {
                promise->addResult(work(*promise));
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
        });
        return future;
    }

    platform::LanguageModel& model_;
    const ostrel::Clock& clock_;
    const Format& format_;
    std::stop_source stop_;
    mutable std::mutex availabilityLock_;
    std::optional<Unavailability> unavailability_ = Unavailability::other;
    std::atomic<bool> checking_ = false;
    // Declared last: destroyed first, they finish their work while the rest still stands.
    SerialQueue availabilityQueue_;
    QThreadPool requests_;
};

} // namespace vesperline
