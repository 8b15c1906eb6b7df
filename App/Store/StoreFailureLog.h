#pragma once

#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"

#include <exception>

namespace vesperline {

// Logs the failure being handled (call it from a catch block) as `what` failing:
// "Reading the moment failed: ...".
inline void logStoreFailure(const char* what) {
    qCWarning(Log::storage(), "%s failed: %s", what, describeFailure(std::current_exception()).c_str());
}

} // namespace vesperline
