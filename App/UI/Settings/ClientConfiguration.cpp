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

QString commandLine(const std::filesystem::path& server) {
    return QStringLiteral("claude mcp add vesperline -- ") + shellQuoted(server.native());
}

QString serverEntry(const std::filesystem::path& server) {
    return QStringLiteral("\"vesperline\": { \"command\": ") + jsonQuoted(server.native()) +
           QStringLiteral(" }");
}

} // namespace vesperline::ClientConfiguration
