#pragma once

#include "Store/StoreFailureLog.h"

#include <QFuture>

#include <optional>

namespace vesperline {

// The value of a finished future, or none when it holds an exception, which is logged as `what`
// failing ("Reading the moment failed: ...").
template <typename T> std::optional<T> futureOutcome(QFuture<T> future, const char* what) {
    try {
        if (future.resultCount() > 0) {
            return future.result();
        }
        future.waitForFinished(); // rethrows what the work threw
    } catch (...) {
        logStoreFailure(what);
    }
    return std::nullopt;
}

} // namespace vesperline
