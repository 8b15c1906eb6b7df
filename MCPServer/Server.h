#pragma once

#include "LocalDateFormat.h"
#include "SessionStore.h"

#include "Support/Time.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {
class MemoryStore;
}

namespace vesperline::mcp {

// JSON with its members in the order they were written or parsed: replies keep a stable shape.
using Json = nlohmann::ordered_json;

// Protocol versions the server speaks, newest first; the first is the answer to any other request.
inline constexpr std::array<const char*, 3> supportedProtocolVersions = {"2025-06-18", "2025-03-26",
                                                                         "2024-11-05"};

// Answers JSON-RPC requests of an assistant: the protocol methods and the four read-only tools. Keeps
// nothing between requests but its formatters and the session's read-only connection, which every
// tool call checks against the file first; the permission is read again at every call, so changes
// of the data, the file or the permission are seen at the next call.
class Server final {
  public:
    Server(std::string version, const ostrel::Clock& clock);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The reply to one request, or none for a notification.
    std::optional<Json> handle(const Json& message);

    // {"jsonrpc": "2.0", "id": id, "error": {"code": code, "message": message}}.
    static Json errorResponse(const Json& id, int code, const std::string& message);

    // The four tool definitions, in the order "tools/list" gives them.
    const Json& toolDefinitions();

    // Runs a known tool against the session's read-only store once access is allowed; returns its
    // text or throws (ToolError for what the assistant should read, anything else for failures).
    std::string callTool(const std::string& name, const Json& arguments);

    // An argument as a signed 64-bit integer: integers as they are, other numbers without their
    // fraction, and strings of an optional sign and ASCII digits. None for anything else.
    static std::optional<std::int64_t> intArgument(const Json& arguments, const std::string& key);

    // "HH:mm" of `time` in the current time zone.
    std::string timeString(ostrel::Time time) const;

  private:
    Json initializeResult(const Json& params) const;
    Json toolCallResult(const std::string& name, const Json& arguments);

    // The tools, each run with the call's read-only store and arguments.
    std::string searchScreenMemory(ostrel::MemoryStore& store, const Json& arguments);
    std::string getMomentText(ostrel::MemoryStore& store, const Json& arguments);
    std::string getActivity(ostrel::MemoryStore& store, const Json& arguments);
    std::string recentScreenActivity(ostrel::MemoryStore& store, const Json& arguments);

    std::string version_;
    const ostrel::Clock& clock_;
    LocalDateFormat dateFormatter_{LocalDateFormat::Form::dateAndTime};
    LocalDateFormat dayFormatter_{LocalDateFormat::Form::day};
    LocalDateFormat timeFormatter_{LocalDateFormat::Form::time};
    std::optional<Json> toolDefinitions_;
    SessionStore store_;
};

} // namespace vesperline::mcp
