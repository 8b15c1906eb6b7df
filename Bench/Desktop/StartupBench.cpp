// From start to the main window mapped, for the built application and, launched in turn with it in
// the same run, a bare Qt Widgets window (BareWindow) as the floor. Run it inside the desktop session:
//   scripts/desktop-session build/Bench/Desktop/StartupBench
// Each iteration starts both programs one after the other and waits, on the X server's events, for
// the first top-level window of the new process to be mapped; then the program is ended with SIGTERM
// and awaited before the next start. The application runs over a data folder and settings of its
// own, the tour completed, so it opens its main window as a user's start does; the store is made by
// the first start and reused by the later ones. Reports the median and the 95th percentile of both
// in milliseconds and the ratio of the medians.
#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// Watches the window manager's client list for the windows of one process being mapped.
class MapWatcher {
  public:
    MapWatcher() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_)) {
            throw std::runtime_error("no X11 display");
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        clientList_ = atom("_NET_CLIENT_LIST");
        pidAtom_ = atom("_NET_WM_PID");
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~MapWatcher() { xcb_disconnect(connection_); }

    // Waits until a top-level window of `pid` is mapped; false when none is within 30 s.
    bool waitForWindowOf(pid_t pid) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        std::set<xcb_window_t> watched;
        if (newWindowMapped(pid, watched)) {
            return true;
        }
        while (Clock::now() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection_);
            if (!event) {
                if (xcb_connection_has_error(connection_)) {
                    return false;
                }
                usleep(200);
                continue;
            }
            const std::uint8_t type = event->response_type & 0x7f;
            bool done = false;
            if (type == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == clientList_) {
                done = newWindowMapped(pid, watched);
            } else if (type == XCB_MAP_NOTIFY) {
                done = watched.count(reinterpret_cast<xcb_map_notify_event_t*>(event)->window) > 0;
            }
            std::free(event);
            if (done) {
                return true;
            }
        }
        return false;
    }

  private:
    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    std::vector<xcb_window_t> clients() {
        Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, root_, clientList_, XCB_ATOM_WINDOW, 0, 4096),
                nullptr),
            &std::free);
        if (!reply) {
            return {};
        }
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        return {windows, windows + xcb_get_property_value_length(reply.get()) / 4};
    }

    std::optional<std::uint32_t> pidOf(xcb_window_t window) {
        Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1),
                nullptr),
            &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) != 4) {
            return std::nullopt;
        }
        return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    }

    // Starts watching the new clients of `pid`; true when one of them is mapped already.
    bool newWindowMapped(pid_t pid, std::set<xcb_window_t>& watched) {
        for (const xcb_window_t window : clients()) {
            if (watched.count(window) || pidOf(window) != static_cast<std::uint32_t>(pid)) {
                continue;
            }
            watched.insert(window);
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
            Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, window),
                                                nullptr),
                &std::free);
            if (attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED) {
                return true;
            }
        }
        return false;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_atom_t clientList_ = XCB_ATOM_NONE;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
};

// A folder of its own for the application's data and settings, removed at the end.
struct ApplicationHome {
    std::filesystem::path root;

    ApplicationHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperline-startup.XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("no temporary folder");
        }
        root = pattern;
        std::filesystem::create_directories(root / "config/Vesperline");
        std::ofstream(root / "config/Vesperline/settings.json") << R"({"onboardingCompleted": true})";
    }
    ~ApplicationHome() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::vector<std::string> environment() const {
        std::vector<std::string> variables;
        for (char** variable = environ; *variable; ++variable) {
            const std::string text = *variable;
            if (!text.starts_with("OSTREL_DATA_DIR=") && !text.starts_with("XDG_CONFIG_HOME=") &&
                !text.starts_with("QT_QPA_PLATFORM=")) {
                variables.push_back(text);
            }
        }
        variables.push_back("OSTREL_DATA_DIR=" + (root / "data").string());
        variables.push_back("XDG_CONFIG_HOME=" + (root / "config").string());
        return variables;
    }
};

// Starts `program` with `environment`, waits for its window, ends it; the milliseconds from the start
// to the window mapped.
double startToMapped(MapWatcher& watcher, const std::string& program,
                     const std::vector<std::string>& environment) {
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& variable : environment) {
        envp.push_back(const_cast<char*>(variable.c_str()));
    }
    envp.push_back(nullptr);
    // The programs' own messages would only mix into the report.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &quiet, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    const bool mapped = watcher.waitForWindowOf(pid);
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!mapped) {
        throw std::runtime_error(program + " mapped no window");
    }
    return elapsed;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void startToMainWindowMapped(benchmark::State& state) {
    MapWatcher watcher;
    ApplicationHome home;
    const std::vector<std::string> environment = home.environment();
    // The first start makes the store and warms the file cache for both programs.
    startToMapped(watcher, VESPERLINE_APPLICATION, environment);
    startToMapped(watcher, BARE_WINDOW, environment);
    std::vector<double> bare;
    std::vector<double> application;
    for (auto _ : state) {
        bare.push_back(startToMapped(watcher, BARE_WINDOW, environment));
        application.push_back(startToMapped(watcher, VESPERLINE_APPLICATION, environment));
        state.SetIterationTime(application.back() / 1000);
    }
    state.counters["bare_median_ms"] = percentile(bare, 0.5);
    state.counters["bare_p95_ms"] = percentile(bare, 0.95);
    state.counters["app_median_ms"] = percentile(application, 0.5);
    state.counters["app_p95_ms"] = percentile(application, 0.95);
    state.counters["ratio"] = percentile(application, 0.5) / percentile(bare, 0.5);
}

} // namespace

BENCHMARK(startToMainWindowMapped)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
