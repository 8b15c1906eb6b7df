#pragma once

#include "Platform/LanguageModel.h"
#include "Platform/LanguageModelError.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vesperline::platform {

// A model whose availability and replies the test decides, and which records every request. The
// behaviours may block (to hold a call in flight) and run on the caller's worker thread.
class FakeLanguageModel final : public LanguageModel {
  public:
    using Check = std::function<std::optional<Unavailability>()>;
    // Returns the reply text or throws (LanguageModelError for a failing model).
    using Reply = std::function<std::string(const Request&)>;

    void setCheck(Check check) {
        std::lock_guard lock(mutex_);
        check_ = std::move(check);
    }
    void setUnavailability(std::optional<Unavailability> unavailability) {
        setCheck([unavailability] { return unavailability; });
    }
    void setReply(Reply reply) {
        std::lock_guard lock(mutex_);
        reply_ = std::move(reply);
    }
    // Answers the requests in turn with these texts; a request beyond them fails.
    void setReplies(std::vector<std::string> replies) {
        auto next = std::make_shared<std::size_t>(0);
        setReply([replies = std::move(replies), next](const Request&) {
            if (*next >= replies.size()) {
                throw LanguageModelError("the fake model has no more replies");
            }
            return replies[(*next)++];
        });
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int checks() const {
        std::lock_guard lock(mutex_);
        return checks_;
    }

    std::optional<Unavailability> checkAvailability(std::stop_token) override {
        Check check;
        {
            std::lock_guard lock(mutex_);
            ++checks_;
            check = check_;
        }
        return check ? check() : std::nullopt;
    }

    std::string respond(const Request& request, std::stop_token stop) override {
        Reply reply;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            reply = reply_;
        }
        if (stop.stop_requested()) {
            throw LanguageModelError("cancelled");
        }
        if (!reply) {
            throw LanguageModelError("the fake model was given no reply");
        }
        return reply(request);
    }

  private:
    mutable std::mutex mutex_;
    Check check_;
    Reply reply_;
    std::vector<Request> requests_;
    int checks_ = 0;
};

} // namespace vesperline::platform
