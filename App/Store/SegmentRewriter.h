#pragma once

#include "Platform/VideoFiles.h"
#include "Store/SegmentRewriteResult.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>

namespace vesperline {

// Copies chosen frames of one segment file into a new segment file at the source's size, so
// retention can thin old pictures or drop deleted ones without touching the frames that stay.
// Knows nothing of the database; the caller swaps files and rows. Callers hold the segment lock.
class SegmentRewriter final {
  public:
    explicit SegmentRewriter(platform::VideoFiles& files) : files_(files) {}

    // Frames `keep` (old indexes) of `source` become frames 0, 1, ... of `destination`, in source
    // order; indexes the file does not hold, or whose frame cannot be decoded, are left out. Without
    // a frame to write no destination file is made. Throws a MediaError when the source cannot be
    // read or the destination not written; a partly written destination is the caller's to remove.
    SegmentRewriteResult rewrite(const std::filesystem::path& source, const std::set<std::int64_t>& keep,
                                 const std::filesystem::path& destination, float quality);

    // How long an append waits for a busy encoder (live capture gives up much sooner).
    static constexpr std::chrono::milliseconds encoderWait{2000};

  private:
    platform::VideoFiles& files_;
};

} // namespace vesperline
