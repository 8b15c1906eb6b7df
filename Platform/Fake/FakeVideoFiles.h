#pragma once

#include "Platform/MediaError.h"
#include "Platform/VideoFiles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace vesperline::platform {

// Segment files as small text files: a header line, then one line per frame written as it is
// appended ("frame <seconds> <width>x<height>"), and "end" when finished. Tests steer the encoder
// (busy, refusing, slow or failing finish) and the reader (open failures, frames that do not decode).
class FakeVideoFiles final : public VideoFiles {
  public:
    // Steering, set by the test; read from any thread.
    std::atomic<bool> rejectAppends{false};
    std::atomic<bool> failFinish{false};
    std::atomic<int> finishDelayMilliseconds{0};

    std::unique_ptr<VideoFileWriter> createWriter(const std::filesystem::path& file,
                                                  const VideoEncoderSettings& settings) override;
    std::unique_ptr<VideoFileReader> openReader(const std::filesystem::path& file,
                                                DecodeMode mode = DecodeMode::threaded) override;

    // Whether encoders take frames; writers waiting for one wake when it turns true.
    void setReady(bool ready);
    bool isReady() const;

    void failCreate(std::optional<MediaError> error);
    void failOpen(std::optional<MediaError> error);
    // Frame indices that no reader can decode.
    void setUndecodable(std::set<std::int64_t> indices);

    // Settings of every writer created so far, in order.
    std::vector<VideoEncoderSettings> createdSettings() const;
    // Files readers were opened on, and how each decodes, in order.
    std::vector<std::filesystem::path> openedFiles() const;
    std::vector<DecodeMode> openedModes() const;

    static constexpr const char* header = "fake segment";

  private:
    friend class FakeVideoFileReader;
    friend class FakeVideoFileWriter;

    mutable std::mutex mutex_;
    std::condition_variable readyChanged_;
    bool ready_ = true;
    std::optional<MediaError> createError_;
    std::optional<MediaError> openError_;
    std::set<std::int64_t> undecodable_;
    std::vector<VideoEncoderSettings> created_;
    std::vector<std::filesystem::path> opened_;
    std::vector<DecodeMode> openedModes_;
};

} // namespace vesperline::platform
