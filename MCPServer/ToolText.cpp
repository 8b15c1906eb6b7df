#include "ToolText.h"

namespace vesperline::mcp::ToolText {

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += lines[i];
    }
    return text;
}

} // namespace vesperline::mcp::ToolText
