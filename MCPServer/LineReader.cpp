#include "LineReader.h"

#include <cerrno>
#include <unistd.h>

namespace vesperline::mcp {

std::optional<std::string> LineReader::next() {
    while (true) {
        const std::size_t newline = buffer_.find('\n', scanned_);
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            scanned_ = 0;
            return line;
        }
        scanned_ = buffer_.size();
        if (ended_) {
            if (buffer_.empty()) {
                return std::nullopt;
            }
            std::string line = std::move(buffer_);
            buffer_.clear();
            scanned_ = 0;
            return line;
        }
        char chunk[65536];
        const ssize_t count = ::read(fd_, chunk, sizeof chunk);
        if (count > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            ended_ = true;
        }
    }
}

} // namespace vesperline::mcp
