#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <stop_token>
#include <string>

namespace vesperline::platform {

// The language model that runs on this computer. Implementations are safe to call from several
// threads at once; both operations block the calling thread, so callers run them on a worker queue.
class LanguageModel {
  public:
    // Why the model cannot be used right now.
    enum class Unavailability {
        notConfigured, // no model has been set up
        notLocal,      // the configured model does not run on this computer, so it is never contacted
        notRunning,    // nothing answers at the configured address
        loading,       // the model is still being loaded
        noModel,       // the server answers but has no model to offer
        other,         // anything else: an error, an answer that makes no sense, no answer in time
    };

    // One exchange: the instructions (system message) and the prompt (user message). With a schema,
    // the reply is one JSON value that follows it, and the schema is also stated in the instructions.
    struct Request {
        std::string instructions;
        std::string prompt;
        std::optional<nlohmann::ordered_json> schema;
        std::string schemaName; // letters, digits, '_' and '-' only; used with a schema
        bool operator==(const Request&) const = default;
    };

    virtual ~LanguageModel() = default;

    // Checks whether the model can be used now; absent when it can. Never throws; waits a few seconds
    // at most, less when `stop` is requested.
    virtual std::optional<Unavailability> checkAvailability(std::stop_token stop) = 0;

    // Sends one request, without retrying, and returns the text of the reply. Throws
    // LanguageModelError when the model cannot be reached, fails, gives an unreadable reply, does not
    // answer in time or when `stop` is requested meanwhile.
    virtual std::string respond(const Request& request, std::stop_token stop) = 0;
};

} // namespace vesperline::platform
