#include "LineReader.h"

#include <cerrno>
#include <unistd.h>

namespace vesperline::mcp {

std::optional<LineReader::Line> LineReader::next() {
    while (true) {
        const std::size_t newline = buffer_.find('\n', scanned_);
        if (newline != std::string::npos) {
            if (skipping_) {
                buffer_.erase(0, newline + 1);
                scanned_ = 0;
                skipping_ = false;
                continue;
            }
            if (newline > maximumLength_) {
                buffer_.erase(0, newline + 1);
                scanned_ = 0;
                return Line{{}, true};
            }
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            scanned_ = 0;
            return Line{std::move(line), false};
        }
        if (skipping_) {
            buffer_.clear();
        } else if (buffer_.size() > maximumLength_) {
            // Nothing of it is kept: a line without end costs no more memory than the maximum.
            buffer_.clear();
            scanned_ = 0;
            skipping_ = true;
            return Line{{}, true};
        }
        scanned_ = buffer_.size();
        if (ended_) {
            if (buffer_.empty() || skipping_) {
                return std::nullopt;
            }
            std::string line = std::move(buffer_);
            buffer_.clear();
            scanned_ = 0;
            return Line{std::move(line), false};
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
