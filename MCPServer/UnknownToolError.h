#pragma once

#include <exception>
#include <string>

namespace vesperline::mcp {

// A tool name that the dispatcher does not know.
class UnknownToolError : public std::exception {
  public:
    explicit UnknownToolError(std::string name)
        : name_(std::move(name)), description_("Unknown tool: " + name_) {}

    const std::string& name() const { return name_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    std::string name_;
    std::string description_;
};

} // namespace vesperline::mcp
