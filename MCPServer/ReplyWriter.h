#pragma once

#include "Server.h"

#include <string>

namespace vesperline::mcp {

// Writes replies as single lines of compact JSON to a file descriptor, each in one piece.
class ReplyWriter final {
  public:
    explicit ReplyWriter(int fd) : fd_(fd) {}

    // Writes one reply object. Bytes that are not UTF-8 in its strings become U+FFFD, so every
    // request still gets its answer.
    void writeMessage(const Json& reply);
    // Writes an array of replies.
    void writeBatch(const Json& replies);

    // Whether the reader has gone away (a write failed); nothing more can be delivered.
    bool isClosed() const { return closed_; }

  private:
    void writeLine(std::string line);

    int fd_;
    bool closed_ = false;
};

} // namespace vesperline::mcp
