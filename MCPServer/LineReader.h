#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vesperline::mcp {

// Reads newline-terminated lines from a file descriptor without stdio buffering, keeping at most
// `maximumLength` bytes of one line: the rest of a longer line is read past without being kept.
class LineReader final {
  public:
    LineReader(int fd, std::size_t maximumLength) : fd_(fd), maximumLength_(maximumLength) {}

    struct Line {
        std::string text; // without its line feed; empty for a line that is too long
        bool tooLong = false;
    };

    // The next line (a last line without a line feed counts too); none at the end of input or when
    // reading fails. A line longer than the maximum is reported as soon as that is known, and the
    // following call goes on after its line feed.
    std::optional<Line> next();

  private:
    int fd_;
    std::size_t maximumLength_;
    std::string buffer_;
    std::size_t scanned_ = 0; // bytes of `buffer_` known to hold no line feed
    bool skipping_ = false;   // inside a line that was too long, up to its line feed
    bool ended_ = false;
};

} // namespace vesperline::mcp
