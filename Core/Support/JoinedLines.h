#pragma once

#include <string>
#include <vector>

namespace ostrel {

// The lines as one text, separated by line feeds (none after the last).
inline std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += lines[i];
    }
    return text;
}

} // namespace ostrel
