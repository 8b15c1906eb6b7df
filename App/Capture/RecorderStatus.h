#pragma once

namespace vesperline {

// What the recorder is doing, as the application shows it.
struct RecorderStatus {
    enum class Kind { recording, stopped, paused, locked, asleep, needsPermission };

    Kind kind = Kind::stopped;
    // Only meaningful while recording: the policy keeps text and no pictures.
    bool textOnly = false;

    static constexpr RecorderStatus recording(bool textOnly) { return {Kind::recording, textOnly}; }
    static constexpr RecorderStatus stopped() { return {Kind::stopped}; }
    static constexpr RecorderStatus paused() { return {Kind::paused}; }
    static constexpr RecorderStatus locked() { return {Kind::locked}; }
    static constexpr RecorderStatus asleep() { return {Kind::asleep}; }
    static constexpr RecorderStatus needsPermission() { return {Kind::needsPermission}; }

    // The text-only flag counts only for `recording`.
    constexpr bool operator==(const RecorderStatus& other) const {
        return kind == other.kind && (kind != Kind::recording || textOnly == other.textOnly);
    }
};

} // namespace vesperline
