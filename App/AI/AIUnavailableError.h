#pragma once

#include <stdexcept>

namespace vesperline {

// The language model cannot be used now; nothing was asked of it.
struct AIUnavailableError : std::runtime_error {
    AIUnavailableError() : std::runtime_error("The language model is not available.") {}
};

} // namespace vesperline
