#pragma once

#include <optional>
#include <string>

namespace vesperline::mcp {

// Reads newline-terminated lines from a file descriptor, of any length, without stdio buffering.
class LineReader final {
  public:
    explicit LineReader(int fd) : fd_(fd) {}

    // The next line without its line feed (a last line without one counts too); none at the end of
    // input or when reading fails.
    std::optional<std::string> next();

  private:
    int fd_;
    std::string buffer_;
    std::size_t scanned_ = 0; // bytes of `buffer_` known to hold no line feed
    bool ended_ = false;
};

} // namespace vesperline::mcp
