#include "Platform/Linux/TesseractMessages.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace vesperline::platform::TesseractMessages {

namespace {

std::mutex handlerMutex;
std::function<void(std::string_view)> currentHandler;
std::atomic<bool> routed = false;

void deliver(std::string_view line) {
    std::function<void(std::string_view)> handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = currentHandler;
    }
    if (handler) {
        handler(line);
    } else {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    }
}

// Hands on every whole line of `pending` and keeps the unfinished rest.
void deliverLines(std::string& pending) {
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
        if (end > start) {
            deliver(std::string_view(pending).substr(start, end - start));
        }
    }
    pending.erase(0, start);
}

void leptonicaMessage(const char* text) {
    std::string message(text);
    if (message.empty() || message.back() != '\n') {
        message += '\n';
    }
    deliverLines(message);
}

// Tesseract writes its messages to the file its "debug_file" variable names, for the whole process:
// here a pipe that a thread of our own reads. Both ends stay open for the life of the process, so a
// late message never meets a closed pipe.
void install() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    const std::string writer = "/proc/self/fd/" + std::to_string(ends[1]);
    tesseract::TessBaseAPI settings;
    if (!settings.SetVariable("debug_file", writer.c_str())) {
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    leptSetStderrHandler(&leptonicaMessage);
    std::thread([reader = ends[0]] {
        pthread_setname_np(pthread_self(), "ocr.messages");
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(reader, buffer, sizeof buffer);
            if (count > 0) {
                pending.append(buffer, static_cast<std::size_t>(count));
                deliverLines(pending);
            } else if (count == 0 || errno != EINTR) {
                return;
            }
        }
    }).detach();
    routed = true;
}

} // namespace

void routeTo(std::function<void(std::string_view line)> handler) {
    static std::once_flag installed;
    {
        std::lock_guard lock(handlerMutex);
        currentHandler = std::move(handler);
    }
    std::call_once(installed, install);
}

void flush() {
    // The stream Tesseract opened is out of reach; flushing every stream of the process reaches it.
    if (routed) {
        std::fflush(nullptr);
    }
}

} // namespace vesperline::platform::TesseractMessages
