#pragma once

#include "Platform/LanguageModel.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace vesperline::platform {

// The language model as a server on this computer that speaks the chat-completions protocol over
// HTTP (llama.cpp's server, Ollama and others do). Only loopback addresses are contacted: any other
// address is refused before a connection is tried, no proxy is used and no redirect is followed.
class ChatCompletionsClient final : public LanguageModel {
  public:
    struct Settings {
        // The server's address, e.g. "http://127.0.0.1:8080" (a trailing "/v1" is accepted); the host
        // must be "localhost", an address of 127.0.0.0/8 or ::1.
        std::string address;
        // The model to ask; empty for the first one the server lists.
        std::string modelName;
        std::chrono::milliseconds availabilityTimeout{std::chrono::seconds(3)};
        // A request that gets no complete reply within this time fails, so a hung server never
        // keeps a question waiting for ever.
        std::chrono::milliseconds responseTimeout{std::chrono::minutes(2)};
    };

    // The address from VESPERLINE_MODEL_URL and the model from VESPERLINE_MODEL_NAME.
    static Settings settingsFromEnvironment();

    explicit ChatCompletionsClient(Settings settings);

    std::optional<Unavailability> checkAvailability(std::stop_token stop) override;
    std::string respond(const Request& request, std::stop_token stop) override;

  private:
    struct Exchange;
    Exchange exchange(const std::string& path, const std::string* body, std::chrono::milliseconds timeout,
                      const std::stop_token& stop) const;
    std::string modelToAsk() const;

    Settings settings_;
    std::optional<Unavailability> addressProblem_;
    std::string baseURL_; // scheme, canonical host, port and path prefix, without a trailing '/'
    mutable std::mutex mutex_;
    std::string listedModel_; // the first model the server listed at the last check
};

} // namespace vesperline::platform
