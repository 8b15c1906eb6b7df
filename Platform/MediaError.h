#pragma once

#include <stdexcept>
#include <string>

namespace vesperline::platform {

// A failure of the video layer: creating, writing or reading a segment file.
class MediaError : public std::runtime_error {
  public:
    enum class Kind {
        // The file could not be reached now (permissions, I/O, out of descriptors or memory): trying
        // again later may succeed, so nothing may be concluded about what the file holds.
        unreadable,
        // The file was read and does not hold what a segment holds (empty, cut before its first
        // frame, not a video).
        invalidData,
        // Anything else: a missing codec, a setting the encoder refused.
        other,
    };

    MediaError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

} // namespace vesperline::platform
