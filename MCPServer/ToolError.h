#pragma once

#include <exception>
#include <string>

namespace vesperline::mcp {

// A failure meant for the assistant to read: it becomes the tool result's text, unchanged.
class ToolError : public std::exception {
  public:
    explicit ToolError(std::string message) : message_(std::move(message)) {}

    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

} // namespace vesperline::mcp
