#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ostrel {

// The user's choice between saving battery and keeping more moments; stored as its raw text.
enum class CaptureMode { saver, balanced, quality };

inline constexpr std::array<CaptureMode, 3> allCaptureModes{CaptureMode::saver, CaptureMode::balanced,
                                                            CaptureMode::quality};

constexpr std::string_view rawValue(CaptureMode mode) {
    switch (mode) {
    case CaptureMode::saver:
        return "saver";
    case CaptureMode::balanced:
        return "balanced";
    case CaptureMode::quality:
        return "quality";
    }
    return {};
}

// Absent for any text that is not exactly one of the raw values.
constexpr std::optional<CaptureMode> captureModeFromRaw(std::string_view raw) {
    for (CaptureMode mode : allCaptureModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
