#pragma once

#include <stdexcept>

namespace vesperline::platform {

// A request to the language model that brought no usable reply; the text says why, for the log.
struct LanguageModelError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace vesperline::platform
