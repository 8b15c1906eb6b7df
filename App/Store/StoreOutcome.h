#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <variant>

namespace vesperline {

// Why a store access failed. Only a damaged database (SQLite's "corrupt" or "not a database") calls
// for recovery; every other failure (busy, full disk, a closed store, a bug) may pass with a retry.
enum class StoreFailure { damaged, other };

// What a write reports to its completion: the body's result, or why it failed and its description.
template <typename T> struct StoreOutcome {
    // A body without result succeeds with an empty value.
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    std::optional<Value> value; // none when the body threw
    std::optional<StoreFailure> failure;
    std::string error;

    bool succeeded() const { return value.has_value(); }
};

} // namespace vesperline
