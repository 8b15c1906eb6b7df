#pragma once

#include "Platform/PasswordCheck.h"
#include "Runtime/SerialQueue.h"
#include "Support/Time.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace vesperline {

// Asks for the user's password before a window shows the memory, and keeps the memory open for a
// grace interval after a success, so that opening several windows in a row asks once. It knows
// nothing of windows or settings: the caller decides when to ask.
//
// The password is checked on a queue of its own, never on the main thread. Requests made while
// the prompt is up share it and its answer. Main thread only.
class AppLock final : public QObject {
    Q_OBJECT

  public:
    // What asks the user for the password: the app's password dialog, or a stand-in in tests.
    class Prompt {
      public:
        virtual ~Prompt() = default;
        // Shows the question with `reason`, e.g. "open your screen memory". Every password the user
        // gives goes to `submit`, giving up goes to `cancel`; both are called from the prompt's own
        // events on the main thread, never inside `open`.
        virtual void ask(const QString& reason, std::function<void(platform::SecretBuffer)> submit,
                         std::function<void()> cancel) = 0;
        // The password given was not accepted: `wrong` when it is not the user's, otherwise it could
        // not be checked. The prompt says so and asks again.
        virtual void askAgain(bool wrong) = 0;
        // The question is settled: the prompt goes away. It is destroyed a moment later.
        virtual void dismiss() = 0;
    };
    using PromptFactory = std::function<std::unique_ptr<Prompt>()>;

    // How long the memory stays open after a successful authentication.
    static constexpr double graceInterval = 300;

    AppLock(const ostrel::Clock& clock, platform::PasswordCheck& check, PromptFactory makePrompt,
            QObject* parent = nullptr);
    // A prompt still up answers false.
    ~AppLock() override;

    // Whether the caller may show the memory (take it with `whenFinished`). True at once while the lock is
    // open, and when this system cannot check the user's password at all (nobody is shut out of their memory
    // by a missing password); otherwise the prompt asks, and a cancelled prompt answers false and leaves the
    // lock as it was. A check that finds nothing to check the password against answers true as well; neither
    // way opens the grace interval, so the next request looks again.
    QFuture<bool> unlock(const QString& reason);

    // While this lies in the future, the lock is open. Clearing it ends the open period at once
    // (screen locked, sleep, session switched).
    std::optional<ostrel::Time> unlockedUntil() const { return unlockedUntil_; }
    void setUnlockedUntil(std::optional<ostrel::Time> time) { unlockedUntil_ = time; }

  private:
    struct Request {
        std::unique_ptr<Prompt> prompt;
        QPromise<bool> answer;
        // Tells the verdict of this request's check from one of an earlier, cancelled request.
        std::uint64_t number = 0;
        bool checking = false;
    };

    void submit(platform::SecretBuffer password);
    void checked(std::uint64_t number, const platform::PasswordCheck::Verdict& verdict);
    void finish(bool answer);
    // Said once per run: the memory opens without a password.
    void reportUnavailable();

    const ostrel::Clock& clock_;
    platform::PasswordCheck& check_;
    PromptFactory makePrompt_;
    std::optional<ostrel::Time> unlockedUntil_;
    std::unique_ptr<Request> request_;
    std::uint64_t requests_ = 0;
    bool reportedUnavailable_ = false;
    // Last, so it is drained first: a check under way finishes before the rest goes.
    SerialQueue queue_;
};

} // namespace vesperline
