#include "UI/Settings/ClientConfiguration.h"

#include <nlohmann/json.hpp>

namespace vesperline::ClientConfiguration {

QString shellQuoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\' || c == '$' || c == '`') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return QString::fromStdString(quoted);
}

QString jsonQuoted(std::string_view text) {
    return QString::fromStdString(
        nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::filesystem::path serverBeside(const std::filesystem::path& programFolder) {
    const std::filesystem::path beside = programFolder / "vesperline-mcp";
    const std::filesystem::path built = programFolder.parent_path() / "MCPServer" / "vesperline-mcp";
    std::error_code error;
    return !std::filesystem::exists(beside, error) && std::filesystem::exists(built, error) ? built : beside;
}

QString commandLine(const std::filesystem::path& server) {
    return QStringLiteral("claude mcp add vesperline -- ") + shellQuoted(server.native());
}

QString serverEntry(const std::filesystem::path& server) {
    return QStringLiteral("\"vesperline\": { \"command\": ") + jsonQuoted(server.native()) +
           QStringLiteral(" }");
}

} // namespace vesperline::ClientConfiguration
