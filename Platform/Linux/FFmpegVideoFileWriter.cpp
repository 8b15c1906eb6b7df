#include "Platform/Linux/FFmpegVideoFileWriter.h"

#include "Support/PrivateFiles.h"

#include <pthread.h>

#include <future>
#include <system_error>

namespace vesperline::platform {

using namespace ffmpeg;

FFmpegVideoFileWriter::FFmpegVideoFileWriter(const std::filesystem::path& file,
                                             const VideoEncoderSettings& settings, const X265Options& options)
    : settings_(settings), packet_(av_packet_alloc()) {
    if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 || settings.height % 2) {
        throw MediaError(MediaError::Kind::other, "Output size " + std::to_string(settings.width) + "x" +
                                                      std::to_string(settings.height) + " is not even");
    }
    // The encoder is opened on the worker: the threads libx265 starts then take the worker's name
    // (a new thread starts with its creator's), so per-thread figures count their work as encoding.
    std::promise<void> opening;
    std::future<void> opened = opening.get_future();
    worker_ = std::thread([this, &file, &options, opening = std::move(opening)]() mutable {
        pthread_setname_np(pthread_self(), "vl-encoder");
        try {
            open(file, options);
        } catch (...) {
            opening.set_exception(std::current_exception());
            return;
        }
        opening.set_value();
        encodeLoop();
    });
    try {
        opened.get();
    } catch (...) {
        worker_.join();
        throw;
    }
}

void FFmpegVideoFileWriter::open(const std::filesystem::path& file, const X265Options& options) {
    try {
        check(avformat_alloc_output_context2(&format_, nullptr, "mp4", file.c_str()),
              "Could not create the MPEG-4 writer");
        openEncoder(settings_, options);
        openFile(file);
    } catch (...) {
        const bool created = format_ && format_->pb;
        closeFile();
        codec_.reset();
        if (created) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
        throw;
    }
}

FFmpegVideoFileWriter::~FFmpegVideoFileWriter() {
    stopWorker();
    closeFile();
}

void FFmpegVideoFileWriter::openEncoder(const VideoEncoderSettings& settings, const X265Options& options) {
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx265");
    if (!encoder) {
        throw MediaError(MediaError::Kind::other, "The libx265 encoder is not available");
    }
    codec_.reset(avcodec_alloc_context3(encoder));
    AVCodecContext* c = codec_.get();
    c->width = settings.width;
    c->height = settings.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    // Frame i is presented at i seconds.
    c->time_base = AVRational{1, 1};
    c->framerate = AVRational{1, 1};
    c->gop_size = options.keyFrameInterval;
    c->max_b_frames = 0;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* codecOptions = nullptr;
    av_dict_set(&codecOptions, "preset", options.preset.c_str(), 0);
    av_dict_set(&codecOptions, "crf", std::to_string(options.crf).c_str(), 0);
    av_dict_set(&codecOptions, "x265-params", options.parameters().c_str(), 0);
    const int opened = avcodec_open2(c, encoder, &codecOptions);
    av_dict_free(&codecOptions);
    check(opened, "Could not open the HEVC encoder");
}

void FFmpegVideoFileWriter::openFile(const std::filesystem::path& file) {
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) {
        throw MediaError(MediaError::Kind::other, "Could not add the video track");
    }
    check(avcodec_parameters_from_context(stream_->codecpar, codec_.get()),
          "Could not set up the video track");
    stream_->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    stream_->time_base = codec_->time_base;
    // FFmpeg creates files readable by everyone; one made beforehand keeps its mode when opened.
    ostrel::PrivateFiles::prepare(file);
    const int opened = avio_open(&format_->pb, file.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
    check(opened, "Could not create " + file.string());
    // An empty movie header, then one fragment per frame flushed by hand (see encode).
    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "movflags", "frag_custom+empty_moov+default_base_moof", 0);
    const int written = avformat_write_header(format_, &muxerOptions);
    av_dict_free(&muxerOptions);
    check(written, "Could not write the file header");
    avio_flush(format_->pb);
}

VideoFileWriter::Status FFmpegVideoFileWriter::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

std::optional<std::string> FFmpegVideoFileWriter::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool FFmpegVideoFileWriter::isReady() const {
    return status_ == Status::writing && !finishing_ && waiting_.size() < maxWaitingFrames;
}

bool FFmpegVideoFileWriter::isReadyForMoreFrames() const {
    std::lock_guard lock(mutex_);
    return isReady();
}

bool FFmpegVideoFileWriter::waitUntilReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout,
                      [this] { return isReady() || status_ != Status::writing || finishing_; });
    return isReady();
}

bool FFmpegVideoFileWriter::appendFrame(const ostrel::BGRAImageView& image, std::int64_t seconds) {
    {
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing || finishing_) {
            return false;
        }
    }
    FramePtr frame;
    try {
        frame = convert(image, seconds);
    } catch (const MediaError& error) {
        fail(error.what());
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing) {
            return false;
        }
        waiting_.push_back(std::move(frame));
    }
    changed_.notify_all();
    return true;
}

FramePtr FFmpegVideoFileWriter::convert(const ostrel::BGRAImageView& image, std::int64_t seconds) {
    if (!image.isValid()) {
        throw MediaError(MediaError::Kind::other, "The image to append is empty");
    }
    SwsContext* previous = scaler_.get();
    SwsContext* scaler =
        sws_getCachedContext(scaler_.release(), image.width, image.height, AV_PIX_FMT_BGRA, settings_.width,
                             settings_.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    scaler_.reset(scaler);
    if (!scaler) {
        throw MediaError(MediaError::Kind::other, "Could not scale the image");
    }
    if (scaler != previous) {
        setBT709(scaler, true);
    }
    FramePtr frame;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            frame = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    if (!frame) {
        frame.reset(av_frame_alloc());
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = settings_.width;
        frame->height = settings_.height;
        check(av_frame_get_buffer(frame.get(), 0), "Could not allocate a frame");
    }
    const std::uint8_t* source[1] = {image.data};
    const int sourceStride[1] = {static_cast<int>(image.bytesPerRow)};
    sws_scale(scaler, source, sourceStride, 0, image.height, frame->data, frame->linesize);
    frame->pts = seconds;
    frame->pict_type = AV_PICTURE_TYPE_NONE; // let the encoder choose, also for a reused frame
    return frame;
}

void FFmpegVideoFileWriter::encodeLoop() {
    for (;;) {
        FramePtr frame;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || finishing_ || !waiting_.empty(); });
            if (stopping_ || status_ != Status::writing) {
                return;
            }
            if (waiting_.empty()) {
                break; // finishing with nothing left to encode
            }
            frame = std::move(waiting_.front());
            waiting_.pop_front();
        }
        changed_.notify_all(); // room for the next frame
        try {
            encode(frame.get());
        } catch (const MediaError& error) {
            fail(error.what());
            return;
        }
        // The encoder keeps its own copy; a frame nothing else refers to can take the next image.
        if (av_frame_is_writable(frame.get())) {
            std::lock_guard lock(mutex_);
            if (spare_.size() <= maxWaitingFrames) {
                spare_.push_back(std::move(frame));
            }
        }
    }
    try {
        encode(nullptr);
        writeTrailer();
    } catch (const MediaError& error) {
        fail(error.what());
        return;
    }
    std::lock_guard lock(mutex_);
    status_ = Status::completed;
}

void FFmpegVideoFileWriter::encode(const AVFrame* frame) {
    check(avcodec_send_frame(codec_.get(), frame), "Could not encode a frame");
    for (;;) {
        AVPacket* packet = packet_.get();
        const int received = avcodec_receive_packet(codec_.get(), packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return;
        }
        check(received, "Could not encode a frame");
        // The muxer picks its own time scale: rescale, and give every frame one second.
        av_packet_rescale_ts(packet, codec_->time_base, stream_->time_base);
        packet->duration = av_rescale_q(1, codec_->time_base, stream_->time_base);
        packet->stream_index = stream_->index;
        const int written = av_write_frame(format_, packet);
        av_packet_unref(packet);
        check(written, "Could not write a frame");
        check(av_write_frame(format_, nullptr), "Could not write a fragment");
        avio_flush(format_->pb);
        check(format_->pb->error, "Could not write a fragment");
    }
}

void FFmpegVideoFileWriter::writeTrailer() {
    check(av_write_trailer(format_), "Could not complete the file");
    check(avio_closep(&format_->pb), "Could not complete the file");
}

void FFmpegVideoFileWriter::finish() {
    {
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing || finishing_) {
            return;
        }
        finishing_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void FFmpegVideoFileWriter::cancel() {
    stopWorker();
    std::lock_guard lock(mutex_);
    if (status_ == Status::writing) {
        status_ = Status::cancelled;
    }
}

void FFmpegVideoFileWriter::stopWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void FFmpegVideoFileWriter::closeFile() {
    if (!format_) {
        return;
    }
    if (format_->pb) {
        avio_closep(&format_->pb);
    }
    avformat_free_context(format_);
    format_ = nullptr;
}

void FFmpegVideoFileWriter::fail(const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        if (status_ == Status::writing) {
            status_ = Status::failed;
            error_ = reason;
        }
        waiting_.clear();
    }
    changed_.notify_all();
}

} // namespace vesperline::platform
