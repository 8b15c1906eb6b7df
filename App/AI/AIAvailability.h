#pragma once

#include <QString>

#include <optional>

namespace vesperline {

// Whether the language model can be used, with the reason to show when it cannot.
struct AIAvailability {
    // The reason the model cannot be used; absent when it can.
    std::optional<QString> unavailableMessage;

    static AIAvailability available() { return {}; }
    static AIAvailability unavailable(QString message) { return {std::move(message)}; }

    bool isAvailable() const { return !unavailableMessage; }
    bool operator==(const AIAvailability&) const = default;
};

} // namespace vesperline
