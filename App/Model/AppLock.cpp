#include "Model/AppLock.h"

#include "Runtime/Log.h"
#include "Runtime/WhenFinished.h"

#include <QCoreApplication>
#include <QFuture>

namespace vesperline {

AppLock::AppLock(const ostrel::Clock& clock, platform::PasswordCheck& check, PromptFactory makePrompt,
                 QObject* parent)
    : QObject(parent), clock_(clock), check_(check), makePrompt_(std::move(makePrompt)),
      queue_(".applock", QThread::HighPriority) {}

AppLock::~AppLock() {
    if (const std::unique_ptr<Request> request = std::move(request_)) {
        request->prompt->dismiss();
        request->answer.addResult(false);
        request->answer.finish();
    }
}

QFuture<bool> AppLock::unlock(const QString& reason) {
    if (unlockedUntil_ && *unlockedUntil_ > clock_.now()) {
        return QtFuture::makeReadyFuture(true);
    }
    if (request_) {
        return request_->answer.future();
    }
    if (!check_.available()) {
        reportUnavailable();
        return QtFuture::makeReadyFuture(true);
    }
    request_ = std::make_unique<Request>();
    request_->number = ++requests_;
    request_->answer.start();
    request_->prompt = makePrompt_();
    QFuture<bool> answer = request_->answer.future();
    request_->prompt->ask(
        reason, [this](platform::SecretBuffer password) { submit(std::move(password)); },
        [this] { finish(false); });
    return answer;
}

void AppLock::submit(platform::SecretBuffer password) {
    if (!request_ || request_->checking) {
        return;
    }
    request_->checking = true;
    // Shared, because queued blocks are copied; wiped on the queue as soon as it was checked.
    auto given = std::make_shared<platform::SecretBuffer>(std::move(password));
    QFuture<platform::PasswordCheck::Verdict> verdict = queue_.submit([this, given] {
        platform::PasswordCheck::Verdict verdict = check_.check(*given);
        given->wipe();
        return verdict;
    });
    whenFinished(verdict, this,
                 [this, number = request_->number](QFuture<platform::PasswordCheck::Verdict> done) {
                     checked(number, done.result());
                 });
}

void AppLock::checked(std::uint64_t number, const platform::PasswordCheck::Verdict& verdict) {
    if (!request_ || request_->number != number) {
        return; // that prompt was cancelled while its password was checked
    }
    request_->checking = false;
    switch (verdict.kind) {
    case platform::PasswordCheck::Verdict::Kind::accepted:
        unlockedUntil_ = clock_.now() + graceInterval;
        finish(true);
        break;
    case platform::PasswordCheck::Verdict::Kind::refused:
        request_->prompt->askAgain(true);
        break;
    case platform::PasswordCheck::Verdict::Kind::unavailable:
        // Nothing the user types can be checked: the lock never shuts them out of their memory.
        qCInfo(Log::app(), "%s", verdict.failure.c_str());
        reportUnavailable();
        finish(true);
        break;
    case platform::PasswordCheck::Verdict::Kind::failed:
        qCWarning(Log::app(), "%s", verdict.failure.c_str());
        request_->prompt->askAgain(false);
        break;
    }
}

void AppLock::reportUnavailable() {
    if (!std::exchange(reportedUnavailable_, true)) {
        qCWarning(Log::app(),
                  "App lock: this system cannot check the password, so the memory opens without it");
    }
}

void AppLock::finish(bool answer) {
    std::unique_ptr<Request> request = std::move(request_);
    request->prompt->dismiss();
    // The prompt may be inside its own event handler (the cancel button): it goes after that.
    std::shared_ptr<Prompt> prompt(std::move(request->prompt));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [prompt] {}, Qt::QueuedConnection);
    request->answer.addResult(answer);
    request->answer.finish();
}

} // namespace vesperline
