// Tool calls: the read-only store per call, the access check, the dispatch by name, and the small
// operations the tools share.
#include "Server.h"
#include "ToolError.h"
#include "UnknownToolError.h"

#include "Storage/MemoryStore.h"

#include <charconv>
#include <cmath>

namespace vesperline::mcp {

namespace {

constexpr const char* accessOffMessage =
    "Access is turned off. Ask the user to enable it in Vesperline → Settings → AI → \"Allow assistants "
    "like Claude to search my memory\".";

bool accessAllowed(ostrel::MemoryStore& store) {
    try {
        return store.metaValue("mcp_enabled") == "1";
    } catch (const ostrel::SQLiteError& error) {
        if (error.isDamage()) {
            throw;
        }
        // A file without the settings table has never been allowed either.
        return false;
    }
}

} // namespace

Server::Server(std::string version, const ostrel::Clock& clock)
    : version_(std::move(version)), clock_(clock) {}

std::string Server::callTool(const std::string& name, const Json& arguments) {
    try {
        ostrel::MemoryStore& store = store_.current();
        if (!accessAllowed(store)) {
            throw ToolError(accessOffMessage);
        }
        if (name == "search_screen_memory") {
            return searchScreenMemory(store, arguments);
        }
        if (name == "get_moment_text") {
            return getMomentText(store, arguments);
        }
        if (name == "get_activity") {
            return getActivity(store, arguments);
        }
        if (name == "recent_screen_activity") {
            return recentScreenActivity(store, arguments);
        }
    } catch (const ostrel::SQLiteError&) {
        // Whatever went wrong with the file, the next call starts from a fresh connection.
        store_.close();
        throw;
    }
    throw UnknownToolError(name);
}

std::optional<std::int64_t> Server::intArgument(const Json& arguments, const std::string& key) {
    const auto member = arguments.find(key);
    if (member == arguments.end()) {
        return std::nullopt;
    }
    if (member->is_number_integer() && !member->is_number_unsigned()) {
        return member->get<std::int64_t>();
    }
    if (member->is_number_unsigned()) {
        const auto value = member->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(INT64_MAX)) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (member->is_number_float()) {
        // Numbers whose whole part lies outside the 64-bit range have no integer value.
        const double whole = std::trunc(member->get<double>());
        if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(whole);
    }
    if (member->is_string()) {
        const std::string& text = member->get_ref<const std::string&>();
        const char* begin = text.data();
        const char* end = begin + text.size();
        // from_chars takes a minus sign but no plus sign; a second sign is still refused below.
        if (begin != end && *begin == '+') {
            ++begin;
            if (begin != end && *begin == '-') {
                return std::nullopt;
            }
        }
        std::int64_t value = 0;
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || stop != end || begin == end) {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

std::string Server::timeString(ostrel::Time time) const {
    return timeFormatter_.format(time);
}

} // namespace vesperline::mcp
