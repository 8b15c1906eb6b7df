#include "Platform/Linux/X11DisplayStream.h"

#include "Platform/Linux/X11Connection.h"
#include "Platform/Linux/X11WindowStack.h"
#include "Rules/FrameMasker.h"

#include <QImage>

#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

#include <pthread.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace vesperline::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t maximumPendingRectangles = 256;

std::string describeConnectionError(int code) {
    return "the connection to the X server broke (xcb error " + std::to_string(code) + ")";
}

// Whether every changed rectangle (relative to the monitor at `origin`) lies in what is blanked.
bool allBlanked(const std::vector<ostrel::Rect>& dirt, const std::vector<X11VisiblePart>& blanked,
                const QPoint& origin) {
    QRegion hidden;
    for (const X11VisiblePart& window : blanked) {
        hidden += window.region;
    }
    return std::all_of(dirt.begin(), dirt.end(), [&](const ostrel::Rect& rect) {
        const QRect changed =
            QRectF(rect.x, rect.y, rect.width, rect.height).toAlignedRect().translated(origin);
        return QRegion(changed).subtracted(hidden).isEmpty();
    });
}

} // namespace

struct X11DisplayStream::State {
    std::uint32_t displayID = 0;
    ProcessApplications* applications = nullptr;

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    DisplayStreamConfiguration configuration;
    DisplayFilter filter;
    Output output;
    StopHandler onStop;

    // Used by the capture thread only (and by `start` before the thread runs).
    std::shared_ptr<X11Connection> x11;
    ostrel::Rect monitor;
    std::uint8_t randrFirstEvent = 0;
    xcb_damage_damage_t damage = XCB_NONE;
    xcb_xfixes_region_t region = XCB_NONE;
    xcb_shm_seg_t segment = XCB_NONE;
    std::uint8_t* shared = nullptr;
    // Changed parts of the monitor not yet delivered, relative to the monitor.
    std::vector<ostrel::Rect> pendingDirt;
    // What the last delivered picture blanked; none before the first.
    std::optional<std::vector<X11VisiblePart>> deliveredBlanks;

    ~State() {
        if (shared) {
            if (x11 && !xcb_connection_has_error(x11->connection())) {
                xcb_shm_detach(x11->connection(), segment);
                xcb_flush(x11->connection());
            }
            shmdt(shared);
        }
    }

    int width() const { return static_cast<int>(monitor.width); }
    int height() const { return static_cast<int>(monitor.height); }

    void connect();
    void run();
    // Takes one sample when something changed; an error ends the stream.
    std::optional<DisplayStreamError> sampleOnce();
    std::optional<DisplayStreamError> readEvents();
    void collectDamage();
    std::vector<X11VisiblePart> windowsToBlank(const DisplayFilter& filter);
    std::shared_ptr<ostrel::BGRAImage> picture(const std::vector<X11VisiblePart>& blanked,
                                               const DisplayStreamConfiguration& configuration);
};

X11DisplayStream::X11DisplayStream(std::uint32_t displayID, ProcessApplications& applications)
    : displayID_(displayID), applications_(applications) {}

X11DisplayStream::~X11DisplayStream() {
    stop();
}

void X11DisplayStream::State::connect() {
    x11 = X11Connection::open();
    if (!x11) {
        throw DisplayStreamError(DisplayStreamError::Kind::permissionDenied, "there is no X display to read");
    }
    xcb_connection_t* connection = x11->connection();
    const std::pair<xcb_extension_t*, const char*> extensions[] = {{&xcb_shm_id, "MIT-SHM"},
                                                                   {&xcb_damage_id, "DAMAGE"},
                                                                   {&xcb_xfixes_id, "XFIXES"},
                                                                   {&xcb_randr_id, "RANDR"},
                                                                   {&xcb_res_id, "X-Resource"}};
    for (const auto& [extension, name] : extensions) {
        const xcb_query_extension_reply_t* present = xcb_get_extension_data(connection, extension);
        if (!present || !present->present) {
            throw DisplayStreamError(DisplayStreamError::Kind::failed,
                                     std::string("the X server lacks the extension ") + name);
        }
    }
    randrFirstEvent = xcb_get_extension_data(connection, &xcb_randr_id)->first_event;
    // The extensions answer only clients that said which version they speak.
    std::free(
        xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr));
    std::free(
        xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));

    const auto monitors = x11Reply(xcb_randr_get_monitors_reply(
        connection, xcb_randr_get_monitors(connection, x11->root(), 1), nullptr));
    bool found = false;
    for (auto it = monitors ? xcb_randr_get_monitors_monitors_iterator(monitors.get())
                            : xcb_randr_monitor_info_iterator_t{};
         monitors && it.rem; xcb_randr_monitor_info_next(&it)) {
        if (it.data->name == displayID) {
            monitor = {double(it.data->x), double(it.data->y), double(it.data->width),
                       double(it.data->height)};
            found = true;
        }
    }
    if (!found || monitor.isEmpty()) {
        throw DisplayStreamError(DisplayStreamError::Kind::displayChanged,
                                 "display " + std::to_string(displayID) + " is not connected");
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    bool thirtyTwoBits = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == 24 && it.data->bits_per_pixel == 32) {
            thirtyTwoBits = true;
        }
    }
    if (!thirtyTwoBits) {
        throw DisplayStreamError(DisplayStreamError::Kind::failed, "the screen does not store 32-bit pixels");
    }

    const std::size_t bytes = static_cast<std::size_t>(width()) * height() * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        throw DisplayStreamError(DisplayStreamError::Kind::failed, "no shared memory for the grab");
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        throw DisplayStreamError(DisplayStreamError::Kind::failed, "shared memory could not be mapped");
    }
    shared = static_cast<std::uint8_t*>(address);
    segment = xcb_generate_id(connection);
    xcb_generic_error_t* attachError =
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, id, 0));
    // Marked for removal now: it goes once both sides have let go of it, however the process ends.
    shmctl(id, IPC_RMID, nullptr);
    if (attachError) {
        std::free(attachError);
        throw DisplayStreamError(DisplayStreamError::Kind::failed,
                                 "the X server cannot share memory with us");
    }

    damage = xcb_generate_id(connection);
    xcb_damage_create(connection, damage, x11->root(), XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    region = xcb_generate_id(connection);
    xcb_xfixes_create_region(connection, region, 0, nullptr);
    xcb_randr_select_input(connection, x11->root(),
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE);
    xcb_flush(connection);
    // The first sample shows the whole display.
    pendingDirt = {{0, 0, monitor.width, monitor.height}};
}

void X11DisplayStream::start(const DisplayStreamConfiguration& configuration, const DisplayFilter& filter,
                             Output output, StopHandler onStop) {
    auto state = std::make_shared<State>();
    state->displayID = displayID_;
    state->applications = &applications_;
    state->configuration = configuration;
    state->filter = filter;
    state->output = std::move(output);
    state->onStop = std::move(onStop);
    state->connect();
    state_ = state;
    thread_ = std::thread([state] { state->run(); });
}

void X11DisplayStream::updateConfiguration(const DisplayStreamConfiguration& configuration) {
    if (state_) {
        std::lock_guard lock(state_->mutex);
        state_->configuration = configuration;
    }
}

void X11DisplayStream::updateFilter(const DisplayFilter& filter) {
    if (state_) {
        std::lock_guard lock(state_->mutex);
        state_->filter = filter;
    }
}

void X11DisplayStream::stop() {
    if (!state_) {
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    if (thread_.joinable()) {
        // From inside a handler the thread cannot wait for itself: it ends once the handler returns.
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

void X11DisplayStream::State::run() {
    pthread_setname_np(pthread_self(), ("capture." + std::to_string(displayID)).substr(0, 15).c_str());
    Clock::time_point next = Clock::now();
    for (;;) {
        {
            std::unique_lock lock(mutex);
            wake.wait_until(lock, next, [this] { return stopping; });
            if (stopping) {
                return;
            }
            next = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(configuration.minimumFrameInterval));
        }
        if (const auto error = sampleOnce()) {
            StopHandler handler;
            {
                std::lock_guard lock(mutex);
                if (stopping) {
                    return;
                }
                handler = onStop;
            }
            if (handler) {
                handler(*error);
            }
            return;
        }
    }
}

std::optional<DisplayStreamError> X11DisplayStream::State::readEvents() {
    xcb_connection_t* connection = x11->connection();
    bool displaysChanged = false;
    while (const auto event = x11Reply(xcb_poll_for_event(connection))) {
        const std::uint8_t type = event->response_type & ~0x80;
        displaysChanged = displaysChanged || type == randrFirstEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                          type == randrFirstEvent + XCB_RANDR_NOTIFY;
    }
    if (const int error = xcb_connection_has_error(connection)) {
        return DisplayStreamError(DisplayStreamError::Kind::connectionLost, describeConnectionError(error));
    }
    if (displaysChanged) {
        return DisplayStreamError(DisplayStreamError::Kind::displayChanged, "the displays changed");
    }
    return std::nullopt;
}

void X11DisplayStream::State::collectDamage() {
    xcb_connection_t* connection = x11->connection();
    xcb_damage_subtract(connection, damage, XCB_NONE, region);
    const auto reply = x11Reply(
        xcb_xfixes_fetch_region_reply(connection, xcb_xfixes_fetch_region(connection, region), nullptr));
    if (!reply) {
        return;
    }
    const xcb_rectangle_t* rectangles = xcb_xfixes_fetch_region_rectangles(reply.get());
    const int count = xcb_xfixes_fetch_region_rectangles_length(reply.get());
    for (int i = 0; i < count; ++i) {
        const ostrel::Rect changed = ostrel::Rect{double(rectangles[i].x), double(rectangles[i].y),
                                                  double(rectangles[i].width), double(rectangles[i].height)}
                                         .intersection(monitor);
        if (!changed.isEmpty()) {
            pendingDirt.push_back(
                {changed.x - monitor.x, changed.y - monitor.y, changed.width, changed.height});
        }
    }
    // Samples dropped one after another keep adding damage: past a point one rectangle around all of
    // it says as much.
    if (pendingDirt.size() > maximumPendingRectangles) {
        double left = monitor.width, top = monitor.height, right = 0, bottom = 0;
        for (const ostrel::Rect& rect : pendingDirt) {
            left = std::min(left, rect.minX());
            top = std::min(top, rect.minY());
            right = std::max(right, rect.maxX());
            bottom = std::max(bottom, rect.maxY());
        }
        pendingDirt = {{left, top, right - left, bottom - top}};
    }
}

std::vector<X11VisiblePart> X11DisplayStream::State::windowsToBlank(const DisplayFilter& filter) {
    const auto excluded = [&](const X11StackedWindow& window) {
        if (!window.pid || !window.frame.intersects(monitor)) {
            return false;
        }
        if (filter.excludedProcesses.count(*window.pid) > 0) {
            return true;
        }
        if (filter.excludedApplications.empty()) {
            return false;
        }
        const auto id = applications->applicationID(*window.pid);
        return id && filter.excludedApplications.count(*id) > 0;
    };
    return visibleParts(readWindowStack(*x11), excluded, monitor);
}

std::shared_ptr<ostrel::BGRAImage>
X11DisplayStream::State::picture(const std::vector<X11VisiblePart>& blanked,
                                 const DisplayStreamConfiguration& configuration) {
    // The grab leaves the fourth byte of each pixel 0: the copy makes every pixel opaque.
    auto grabbed = std::make_shared<ostrel::BGRAImage>(width(), height());
    const std::size_t pixels = static_cast<std::size_t>(width()) * height();
    const auto* source = reinterpret_cast<const std::uint32_t*>(shared);
    auto* target = reinterpret_cast<std::uint32_t*>(grabbed->pixels.data());
    for (std::size_t i = 0; i < pixels; ++i) {
        target[i] = source[i] | 0xFF000000u;
    }
    std::uint32_t fill;
    std::memcpy(&fill, ostrel::FrameMasker::fillPixel, sizeof fill);
    for (const X11VisiblePart& window : blanked) {
        for (const QRect& part : window.region) {
            const int left = std::max(0, part.left() - static_cast<int>(monitor.x));
            const int top = std::max(0, part.top() - static_cast<int>(monitor.y));
            const int right = std::min(width(), part.right() + 1 - static_cast<int>(monitor.x));
            const int bottom = std::min(height(), part.bottom() + 1 - static_cast<int>(monitor.y));
            for (int y = top; y < bottom; ++y) {
                auto* row = reinterpret_cast<std::uint32_t*>(grabbed->row(y));
                std::fill(row + left, row + std::max(left, right), fill);
            }
        }
    }
    const int outputWidth = configuration.width > 0 ? configuration.width : width();
    const int outputHeight = configuration.height > 0 ? configuration.height : height();
    if (outputWidth == width() && outputHeight == height()) {
        return grabbed;
    }
    // Qt's smooth scaling: box-filtered when shrinking, so small text stays legible.
    const QImage full(grabbed->pixels.data(), width(), height(), static_cast<qsizetype>(grabbed->bytesPerRow),
                      QImage::Format_RGB32);
    const QImage scaledImage =
        full.scaled(outputWidth, outputHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    auto scaled = std::make_shared<ostrel::BGRAImage>(outputWidth, outputHeight);
    for (int y = 0; y < outputHeight; ++y) {
        std::memcpy(scaled->row(y), scaledImage.constScanLine(y), static_cast<std::size_t>(outputWidth) * 4);
    }
    return scaled;
}

std::optional<DisplayStreamError> X11DisplayStream::State::sampleOnce() {
    if (auto error = readEvents()) {
        return error;
    }
    collectDamage();
    if (pendingDirt.empty()) {
        return std::nullopt;
    }
    DisplayFilter currentFilter;
    DisplayStreamConfiguration currentConfiguration;
    {
        std::lock_guard lock(mutex);
        currentFilter = filter;
        currentConfiguration = configuration;
    }
    xcb_connection_t* connection = x11->connection();
    const std::vector<X11VisiblePart> before = windowsToBlank(currentFilter);
    // What changed only behind blanks that stand as in the last picture (our own window animating,
    // an excluded window repainting) leaves the picture as it was: no grab for it.
    if (before == deliveredBlanks &&
        allBlanked(pendingDirt, before, QPoint(static_cast<int>(monitor.x), static_cast<int>(monitor.y)))) {
        pendingDirt.clear();
        return std::nullopt;
    }
    const auto grab = x11Reply(xcb_shm_get_image_reply(
        connection,
        xcb_shm_get_image(connection, x11->root(), static_cast<std::int16_t>(monitor.x),
                          static_cast<std::int16_t>(monitor.y), width(), height(), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        nullptr));
    if (!grab) {
        if (const int error = xcb_connection_has_error(connection)) {
            return DisplayStreamError(DisplayStreamError::Kind::connectionLost,
                                      describeConnectionError(error));
        }
        // The monitor no longer lies inside the screen.
        return DisplayStreamError(DisplayStreamError::Kind::displayChanged,
                                  "the display could not be grabbed");
    }
    const std::vector<X11VisiblePart> after = windowsToBlank(currentFilter);
    if (before != after) {
        // A window to blank, or one that hides part of it, moved or changed its place in the stack
        // while the picture was taken: the blank may miss it. Try again at the next interval, with
        // the damage kept.
        return std::nullopt;
    }
    const std::shared_ptr<ostrel::BGRAImage> image = picture(before, currentConfiguration);
    if (!image) {
        return std::nullopt;
    }
    const double scaleX = image->width / monitor.width;
    const double scaleY = image->height / monitor.height;
    std::vector<ostrel::Rect> dirty;
    dirty.reserve(pendingDirt.size());
    for (const ostrel::Rect& rect : pendingDirt) {
        dirty.push_back({rect.x * scaleX, rect.y * scaleY, rect.width * scaleX, rect.height * scaleY});
    }
    pendingDirt.clear();
    Output deliver;
    {
        std::lock_guard lock(mutex);
        if (stopping) {
            return std::nullopt;
        }
        deliver = output;
    }
    deliveredBlanks = before;
    deliver({DisplaySample::Status::complete, image, std::move(dirty)});
    return std::nullopt;
}

} // namespace vesperline::platform
