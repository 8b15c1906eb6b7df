// The JSON-RPC methods: initialize, ping, tools/list and tools/call.
#include "Server.h"
#include "ToolError.h"

#include "Storage/SQLiteError.h"

#include <algorithm>
#include <exception>

namespace vesperline::mcp {

namespace {

constexpr const char* instructions =
    "Vesperline is the user's private, on-device memory of everything they have seen on their computer "
    "screen. Use search_screen_memory to find text they saw earlier (IDs, articles, messages, settings), "
    "get_moment_text to read a full screen, get_activity for what they worked on during a day, and "
    "recent_screen_activity for the last minutes. Quote what you find and mention when it was seen.";

constexpr const char* damagedMessage =
    "Vesperline's memory database is damaged and cannot be read. Ask the user to open the Vesperline app, "
    "which offers to recover it.";

Json tool(const char* name, const char* title, const char* description, Json inputSchema) {
    return Json{{"name", name},
                {"title", title},
                {"description", description},
                {"inputSchema", std::move(inputSchema)},
                {"annotations", {{"readOnlyHint", true}, {"openWorldHint", false}}}};
}

Json textResult(const std::string& text, bool isError) {
    return Json{{"content", Json::array({Json{{"type", "text"}, {"text", text}}})}, {"isError", isError}};
}

Json successResponse(const Json& id, Json result) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

} // namespace

Json Server::errorResponse(const Json& id, int code, const std::string& message) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::optional<Json> Server::handle(const Json& message) {
    const auto idMember = message.find("id");
    const bool hasID = idMember != message.end();
    const Json id = hasID ? *idMember : Json();
    const auto methodMember = message.find("method");
    if (methodMember == message.end() || !methodMember->is_string()) {
        if (!hasID) {
            return std::nullopt;
        }
        return errorResponse(id, -32600, "Invalid request");
    }
    const auto paramsMember = message.find("params");
    const Json params =
        paramsMember != message.end() && paramsMember->is_object() ? *paramsMember : Json::object();
    if (!hasID) {
        // Notifications ("notifications/initialized", cancellations, ...) need no answer or action.
        return std::nullopt;
    }

    const std::string& method = methodMember->get_ref<const std::string&>();
    if (method == "initialize") {
        return successResponse(id, initializeResult(params));
    }
    if (method == "ping") {
        return successResponse(id, Json::object());
    }
    if (method == "tools/list") {
        return successResponse(id, Json{{"tools", toolDefinitions()}});
    }
    if (method == "tools/call") {
        const auto nameMember = params.find("name");
        const std::string name = nameMember != params.end() && nameMember->is_string()
                                     ? nameMember->get<std::string>()
                                     : std::string();
        const Json& tools = toolDefinitions();
        const bool known = std::any_of(tools.begin(), tools.end(),
                                       [&](const Json& definition) { return definition["name"] == name; });
        if (!known) {
            return errorResponse(id, -32602, "Unknown tool: " + name);
        }
        const auto argumentsMember = params.find("arguments");
        const Json arguments = argumentsMember != params.end() && argumentsMember->is_object()
                                   ? *argumentsMember
                                   : Json::object();
        return successResponse(id, toolCallResult(name, arguments));
    }
    return errorResponse(id, -32601, "Method not found: " + method);
}

Json Server::initializeResult(const Json& params) const {
    const char* protocolVersion = supportedProtocolVersions.front();
    const auto requested = params.find("protocolVersion");
    if (requested != params.end() && requested->is_string()) {
        const auto supported =
            std::find_if(supportedProtocolVersions.begin(), supportedProtocolVersions.end(),
                         [&](const char* version) { return *requested == version; });
        if (supported != supportedProtocolVersions.end()) {
            protocolVersion = *supported;
        }
    }
    return Json{{"protocolVersion", protocolVersion},
                {"capabilities", {{"tools", {{"listChanged", false}}}}},
                {"serverInfo",
                 {{"name", "vesperline"}, {"title", "Vesperline — Screen Memory"}, {"version", version_}}},
                {"instructions", instructions}};
}

Json Server::toolCallResult(const std::string& name, const Json& arguments) {
    try {
        return textResult(callTool(name, arguments), false);
    } catch (const ToolError& error) {
        return textResult(error.message(), true);
    } catch (const std::exception& error) {
        // For a damaged file SQLite's own words and the failing statement help neither the assistant
        // nor its user.
        if (const auto* sqliteError = dynamic_cast<const ostrel::SQLiteError*>(&error);
            sqliteError && sqliteError->isDamage()) {
            return textResult(damagedMessage, true);
        }
        return textResult(std::string("Error: ") + error.what(), true);
    }
}

const Json& Server::toolDefinitions() {
    if (!toolDefinitions_) {
        toolDefinitions_ = Json::array({
            tool("search_screen_memory", "Search screen memory",
                 "Search everything the user has seen on their computer screen: text read from windows and "
                 "screenshots, window titles and web addresses. Returns matching moments with time, app, "
                 "window title, URL and an excerpt. Supports \"exact phrase\", app:Name and site:domain "
                 "filters.",
                 {{"type", "object"},
                  {"properties",
                   {{"query",
                     {{"type", "string"},
                      {"description", "Words to look for. Example: \"release notes\" site:github.com"}}},
                    {"days",
                     {{"type", "integer"},
                      {"minimum", 0},
                      {"description", "How many days back to search. Default 30. Use 0 for all time."}}},
                    {"limit",
                     {{"type", "integer"},
                      {"minimum", 1},
                      {"maximum", 25},
                      {"description", "Maximum results (1-25). Default 10."}}},
                    {"sort",
                     {{"type", "string"},
                      {"enum", Json::array({"relevance", "newest"})},
                      {"description", "Default relevance."}}}}},
                  {"required", Json::array({"query"})}}),
            tool("get_moment_text", "Read a moment",
                 "Return all text recorded for the window shown at a moment (use a moment id from "
                 "search_screen_memory), including lines seen while scrolling in the minutes before it.",
                 {{"type", "object"},
                  {"properties",
                   {{"moment_id", {{"type", "integer"}, {"description", "Moment id from search results."}}}}},
                  {"required", Json::array({"moment_id"})}}),
            tool("get_activity", "Work log for a day",
                 "How the user spent a day on the computer: active time per app and per project, and a "
                 "timeline.",
                 {{"type", "object"},
                  {"properties",
                   {{"date",
                     {{"type", "string"},
                      {"description", "Day as YYYY-MM-DD in local time. Default today."}}}}}}),
            tool("recent_screen_activity", "Recent screen activity",
                 "What was on the user's screen in the last minutes: windows with titles and text excerpts, "
                 "newest first.",
                 {{"type", "object"},
                  {"properties",
                   {{"minutes",
                     {{"type", "integer"},
                      {"minimum", 1},
                      {"maximum", 1440},
                      {"description", "How far back to look. Default 30, max 1440."}}}}}}),
        });
    }
    return *toolDefinitions_;
}

} // namespace vesperline::mcp
