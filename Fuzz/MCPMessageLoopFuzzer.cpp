// Feeds each input to vesperline-mcp's message loop as its standard input, over a small memory that
// assistants may read, so tool calls reach the store. One server serves every input, as one session
// serves many lines; its replies go to /dev/null.
#include "MessageLoop.h"
#include "Server.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Session {
    ostrel::SystemClock clock;
    vesperline::mcp::Server server{"0.0.0", clock};
    int output = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
};

// A data folder of its own with a few moments and a day of activity.
void recordMemory() {
    char folder[] = "/tmp/vesperline-fuzz-mcp-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::abort();
    }
    ::setenv("OSTREL_DATA_DIR", folder, 1);
    ostrel::OstrelPaths::ensureDirectories();
    ostrel::MemoryStore store(ostrel::OstrelPaths::databaseURL(), false);
    const ostrel::Time now = ostrel::currentTime();
    const char* words[] = {"invoice", "release notes", "e-mail", "ÇALIŞMA", "site", "2041"};
    for (int i = 0; i < 30; ++i) {
        ostrel::NewFrame frame;
        frame.timestamp = now - 3600.0 * i;
        frame.displayID = 1;
        frame.appBundleID = "org.example.app" + std::to_string(i % 3);
        frame.appName = "App " + std::to_string(i % 3);
        frame.windowTitle = std::string("Window ") + words[i % 6];
        frame.url = "https://www.example.com/" + std::to_string(i);
        frame.lines = {words[i % 6], words[(i + 1) % 6], "line " + std::to_string(i)};
        frame.textSource = ostrel::TextSource::accessibility();
        store.insertFrame(frame);
        ostrel::ActivitySpan span;
        span.start = now - 3600.0 * i;
        span.end = span.start + 900;
        span.appName = frame.appName;
        span.appBundleID = frame.appBundleID;
        span.windowTitle = frame.windowTitle;
        span.project = i % 2 ? std::optional<std::string>("Project") : std::nullopt;
        store.insertActivity(span);
    }
    store.setMetaValue("mcp_enabled", "1");
}

Session& session() {
    static Session* shared = [] {
        recordMemory();
        return new Session;
    }();
    return *shared;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session& current = session();
    const int input = ::memfd_create("mcp-input", MFD_CLOEXEC);
    if (input < 0 || ::write(input, data, size) != static_cast<ssize_t>(size) ||
        ::lseek(input, 0, SEEK_SET) != 0) {
        std::abort();
    }
    vesperline::mcp::runMessageLoop(current.server, input, current.output);
    ::close(input);
    return 0;
}
