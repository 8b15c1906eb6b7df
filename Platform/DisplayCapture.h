#pragma once

#include "Platform/DisplayInfo.h"
#include "Platform/DisplayStream.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vesperline::platform {

// The screen capture service: whether this session's screen may be read, what can be captured, and
// streams of single displays. Safe to call from any thread.
class DisplayCapture {
  public:
    virtual ~DisplayCapture() = default;

    // Whether the screen can be read at all; cheap enough to poll every few seconds.
    virtual bool hasPermission() = 0;
    // The displays a stream can be made for, sized in pixels. Throws DisplayStreamError when the
    // display server cannot be read.
    virtual std::vector<DisplayInfo> capturableDisplays() = 0;
    // A stream of one display, not started yet.
    virtual std::unique_ptr<DisplayStream> makeStream(std::uint32_t displayID) = 0;
};

} // namespace vesperline::platform
