#include "Platform/Fake/FakeVideoFiles.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

namespace vesperline::platform {

class FakeVideoFileWriter final : public VideoFileWriter {
  public:
    FakeVideoFileWriter(FakeVideoFiles& files, const std::filesystem::path& file)
        : files_(files), file_(file) {
        std::ofstream out(file_, std::ios::trunc);
        out << FakeVideoFiles::header << '\n';
        if (!out) {
            throw MediaError(MediaError::Kind::unreadable, "Could not create " + file_.string());
        }
    }

    Status status() const override {
        std::lock_guard lock(mutex_);
        return status_;
    }
    std::optional<std::string> error() const override {
        std::lock_guard lock(mutex_);
        return error_;
    }
    bool isReadyForMoreFrames() const override { return files_.isReady() && status() == Status::writing; }
    bool waitUntilReady(std::chrono::milliseconds timeout) override {
        {
            std::unique_lock lock(files_.mutex_);
            files_.readyChanged_.wait_for(lock, timeout, [this] { return files_.ready_; });
        }
        return isReadyForMoreFrames();
    }

    bool appendFrame(const ostrel::BGRAImageView& image, std::int64_t seconds) override {
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing) {
            return false;
        }
        if (files_.rejectAppends) {
            status_ = Status::failed;
            error_ = "the encoder refused the frame";
            return false;
        }
        std::ofstream(file_, std::ios::app)
            << "frame " << seconds << ' ' << image.width << 'x' << image.height << '\n';
        return true;
    }

    void finish() override {
        std::this_thread::sleep_for(std::chrono::milliseconds(files_.finishDelayMilliseconds.load()));
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing) {
            return;
        }
        if (files_.failFinish) {
            status_ = Status::failed;
            error_ = "the file could not be completed";
            return;
        }
        std::ofstream(file_, std::ios::app) << "end\n";
        status_ = Status::completed;
    }

    void cancel() override {
        std::lock_guard lock(mutex_);
        if (status_ == Status::writing) {
            status_ = Status::cancelled;
        }
    }

  private:
    FakeVideoFiles& files_;
    std::filesystem::path file_;
    mutable std::mutex mutex_;
    Status status_ = Status::writing;
    std::optional<std::string> error_;
};

class FakeVideoFileReader final : public VideoFileReader {
  public:
    FakeVideoFileReader(const FakeVideoFiles& files, const std::filesystem::path& file) : files_(files) {
        std::ifstream in(file);
        if (!in) {
            throw MediaError(MediaError::Kind::unreadable, "Could not open " + file.string());
        }
        std::string line;
        if (!std::getline(in, line) || line != FakeVideoFiles::header) {
            throw MediaError(MediaError::Kind::invalidData, file.string() + " holds no video");
        }
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string word;
            std::int64_t seconds = 0;
            int width = 0, height = 0;
            char times = 0;
            if (fields >> word >> seconds >> width >> times >> height && word == "frame") {
                sizes_.push_back({width, height});
            }
        }
    }

    std::int64_t frameCount() const override { return static_cast<std::int64_t>(sizes_.size()); }

    std::optional<ostrel::BGRAImage> decodeFrame(std::int64_t index, int maxWidth, int maxHeight) override {
        if (index < 0 || index >= frameCount()) {
            return std::nullopt;
        }
        {
            std::lock_guard lock(files_.mutex_);
            if (files_.undecodable_.count(index)) {
                return std::nullopt;
            }
        }
        auto [width, height] = sizes_[index];
        double scale = 1;
        if (maxWidth > 0) {
            scale = std::min(scale, double(maxWidth) / width);
        }
        if (maxHeight > 0) {
            scale = std::min(scale, double(maxHeight) / height);
        }
        return ostrel::BGRAImage(std::max(1, int(std::lround(width * scale))),
                                 std::max(1, int(std::lround(height * scale))));
    }

  private:
    const FakeVideoFiles& files_;
    std::vector<std::pair<int, int>> sizes_;
};

std::unique_ptr<VideoFileWriter> FakeVideoFiles::createWriter(const std::filesystem::path& file,
                                                              const VideoEncoderSettings& settings) {
    {
        std::lock_guard lock(mutex_);
        if (createError_) {
            throw *createError_;
        }
        created_.push_back(settings);
    }
    return std::make_unique<FakeVideoFileWriter>(*this, file);
}

std::unique_ptr<VideoFileReader> FakeVideoFiles::openReader(const std::filesystem::path& file,
                                                            DecodeMode mode) {
    {
        std::lock_guard lock(mutex_);
        opened_.push_back(file);
        openedModes_.push_back(mode);
        if (openError_) {
            throw *openError_;
        }
    }
    return std::make_unique<FakeVideoFileReader>(*this, file);
}

void FakeVideoFiles::setReady(bool ready) {
    {
        std::lock_guard lock(mutex_);
        ready_ = ready;
    }
    readyChanged_.notify_all();
}

bool FakeVideoFiles::isReady() const {
    std::lock_guard lock(mutex_);
    return ready_;
}

void FakeVideoFiles::failCreate(std::optional<MediaError> error) {
    std::lock_guard lock(mutex_);
    createError_ = std::move(error);
}

void FakeVideoFiles::failOpen(std::optional<MediaError> error) {
    std::lock_guard lock(mutex_);
    openError_ = std::move(error);
}

void FakeVideoFiles::setUndecodable(std::set<std::int64_t> indices) {
    std::lock_guard lock(mutex_);
    undecodable_ = std::move(indices);
}

std::vector<VideoEncoderSettings> FakeVideoFiles::createdSettings() const {
    std::lock_guard lock(mutex_);
    return created_;
}

std::vector<std::filesystem::path> FakeVideoFiles::openedFiles() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::vector<DecodeMode> FakeVideoFiles::openedModes() const {
    std::lock_guard lock(mutex_);
    return openedModes_;
}

} // namespace vesperline::platform
