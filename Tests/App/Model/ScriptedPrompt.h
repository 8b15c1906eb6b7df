#pragma once

#include "Model/AppLock.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vesperline::testing {

// What the app lock asked of its password prompts, and the prompt's own buttons: the test types a
// password with `submit` or gives up with `cancel`.
struct PromptLog {
    int asked = 0;
    QString reason;
    std::vector<bool> askedAgain;
    int dismissed = 0;
    int destroyed = 0;
    std::function<void(platform::SecretBuffer)> submit;
    std::function<void()> cancel;
};

// Stands in for the password dialog, writing down what it is asked in a log.
class ScriptedPrompt final : public AppLock::Prompt {
  public:
    explicit ScriptedPrompt(PromptLog& log) : log_(log) {}
    ~ScriptedPrompt() override { ++log_.destroyed; }
    void ask(const QString& reason, std::function<void(platform::SecretBuffer)> submit,
             std::function<void()> cancel) override {
        ++log_.asked;
        log_.reason = reason;
        log_.submit = std::move(submit);
        log_.cancel = std::move(cancel);
    }
    void askAgain(bool wrong) override { log_.askedAgain.push_back(wrong); }
    void dismiss() override { ++log_.dismissed; }

    // Prompts that write into `log`.
    static AppLock::PromptFactory factory(PromptLog& log) {
        return [&log] { return std::make_unique<ScriptedPrompt>(log); };
    }

  private:
    PromptLog& log_;
};

} // namespace vesperline::testing
