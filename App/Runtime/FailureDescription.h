#pragma once

#include <exception>
#include <string>

namespace vesperline {

// The text of a caught failure for a log line: what() of a std::exception, else "unknown error".
inline std::string describeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace vesperline
