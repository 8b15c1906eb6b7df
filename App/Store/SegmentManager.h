#pragma once

#include "Platform/VideoFiles.h"
#include "Runtime/SerialQueue.h"
#include "Store/ImageQuality.h"
#include "Store/SegmentWriter.h"
#include "Support/BGRAImage.h"
#include "Support/Size.h"
#include "Support/Time.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vesperline {

class StoreHub;

// Turns the kept screen images of each display into video segment files and keeps their database
// rows in step: at most one open segment per display, rolled over by age, frame count, a failed
// writer, a new resolution or a new quality; no new segment while the disk is nearly full; closes
// in the background, when idle, or synchronously at shutdown. At start-up it repairs the rows an
// earlier run left open. Instance operations run on the recorder's queue only.
class SegmentManager final {
  public:
    struct Open {
        std::int64_t id = 0;
        std::string path; // relative to the frames folder, as stored in the row
        std::shared_ptr<SegmentWriter> writer;
        ImageQuality quality = ImageQuality::balanced;
    };

    // Where a stored picture went: the segment row and the frame's index in its file.
    struct Appended {
        std::int64_t segmentID = 0;
        std::int64_t index = 0;
        bool operator==(const Appended&) const = default;
    };

    // Free bytes of the volume holding `folder`; none when they cannot be read.
    using FreeSpace = std::function<std::optional<std::int64_t>(const std::filesystem::path& folder)>;

    static constexpr double rollOverAge = 1800;                  // seconds since the segment's first frame
    static constexpr std::int64_t rollOverCount = 300;           // frames 0 to 299
    static constexpr std::chrono::milliseconds encoderWait{300}; // then the frame is dropped
    static constexpr std::int64_t lowDiskThreshold = 2147483648; // 2 GiB
    static constexpr double diskCheckInterval = 60;              // seconds
    static constexpr std::chrono::milliseconds finishWait{3000}; // at shutdown, per segment

    SegmentManager(StoreHub& hub, platform::VideoFiles& files, FreeSpace freeSpace = volumeFreeSpace);
    ~SegmentManager();
    SegmentManager(const SegmentManager&) = delete;
    SegmentManager& operator=(const SegmentManager&) = delete;

    // Stores `image` as the next frame of the display's segment; none when it was not stored (disk
    // low, no segment could be opened, encoder busy or failed).
    std::optional<Appended> append(const ostrel::BGRAImageView& image, std::uint32_t display,
                                   ostrel::Time date, ImageQuality quality);
    // Closing finishes the file and records it in the background; the display's next frame opens a
    // new segment.
    void close(std::uint32_t display);
    void closeAll();
    // Closes every segment whose last frame is at least `interval` seconds older than `now`.
    void closeIdle(ostrel::Time now, double interval);
    // Finishes and records every open segment before it returns, waiting up to `wait` for each
    // finish; a longer one goes on in the background and the row gets the file's size so far. Closes
    // already running in the background are waited for first (up to `wait` each), so no file is
    // still being finished when it returns.
    void closeAllSynchronously(std::chrono::milliseconds wait = finishWait);

    // Whether the data folder's volume has less than 2 GiB free; read at most once a minute, and the
    // change of state logged once.
    bool isDiskLow(ostrel::Time now);
    // The answer of the last reading, without reading again.
    bool diskLow() const { return diskLow_; }
    // Creates the day folder, the writer and the row. Throws.
    Open openSegment(ostrel::Size size, std::uint32_t display, ImageQuality quality, ostrel::Time date);

    const std::map<std::uint32_t, Open>& open() const { return open_; }

    // Records a finished segment in its row, or deletes the row when it got no frame. Logs failures.
    static void recordClose(StoreHub& hub, const Open& open, std::int64_t bytes);
    // Repairs every row left open by an earlier run: closes it with the frames its file still
    // decodes, takes the picture from the moments of the frames that were lost, and deletes the rows
    // (and files) that kept nothing. Blocks; run it off the main thread before recording begins.
    static void recoverOpenSegments(StoreHub& hub, platform::VideoFiles& files);

    // "segments/<day key>/<display>-<start in whole milliseconds>.mp4", relative to the frames folder.
    static std::string storedPath(std::uint32_t display, ostrel::Time start);
    static std::optional<std::int64_t> volumeFreeSpace(const std::filesystem::path& folder);

  private:
    void closeInBackground(Open open);

    StoreHub& hub_;
    platform::VideoFiles& files_;
    FreeSpace freeSpace_;
    std::map<std::uint32_t, Open> open_;
    std::optional<ostrel::Time> diskCheckedAt_;
    bool diskLow_ = false;
    // Background closes posted and not yet recorded.
    std::atomic<int> closesInFlight_ = 0;
    SerialQueue finishing_; // last: destroyed first, after the finishes posted to it have run
};

} // namespace vesperline
