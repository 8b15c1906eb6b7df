#pragma once

#include "Support/BGRAImage.h"
#include "Support/Rect.h"

#include <memory>
#include <optional>
#include <vector>

namespace vesperline::platform {

// One delivery of a display stream.
struct DisplaySample {
    // `complete` carries a new picture; `idle` says nothing changed and carries none.
    enum class Status { complete, idle };

    Status status = Status::complete;
    // Opaque BGRA at the stream's configured size, with excluded windows already blanked.
    std::shared_ptr<const ostrel::BGRAImage> image;
    // The parts that changed since the previous sample, in pixels of `image`; absent when the stream
    // cannot tell (everything counts as changed then).
    std::optional<std::vector<ostrel::Rect>> dirtyRects;
};

} // namespace vesperline::platform
