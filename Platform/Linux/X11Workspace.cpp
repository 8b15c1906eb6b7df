#include "Platform/Linux/X11Workspace.h"

#include "Platform/Linux/ApplicationIdentity.h"
#include "Platform/Linux/X11WindowProcess.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace vesperline::platform {

namespace {

std::optional<std::string> windowClassOf(const std::vector<std::string>& windowClass) {
    if (windowClass.size() >= 2 && !windowClass[1].empty()) {
        return windowClass[1];
    }
    return std::nullopt;
}

} // namespace

X11Workspace::X11Workspace(std::shared_ptr<X11Connection> x11, InstalledApplications& installed,
                           QObject* parent)
    : QObject(parent), x11_(std::move(x11)), installed_(installed) {}

X11Workspace::~X11Workspace() = default;

std::optional<RunningApplication> X11Workspace::applicationOfWindow(xcb_window_t window) {
    X11Connection& x11 = *x11_;
    xcb_ewmh_connection_t& ewmh = *x11.ewmh();
    const X11WindowProcessRequest process = requestWindowProcess(x11, window);
    const auto classCookie = x11.requestProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    const auto gtkCookie = x11.requestProperty(window, x11.gtkApplicationIDAtom(), ewmh.UTF8_STRING);
    const auto kdeCookie = x11.requestProperty(window, x11.kdeDesktopFileAtom(), XCB_GET_PROPERTY_TYPE_ANY);
    const std::optional<std::int32_t> pid = windowProcess(x11, process);
    ApplicationIdentity::WindowFacts facts;
    facts.windowClass = windowClassOf(x11.stringsProperty(classCookie));
    const auto gtk = x11.stringProperty(gtkCookie);
    const auto kde = x11.stringProperty(kdeCookie);
    facts.desktopFile = gtk ? gtk : kde;
    if (!pid && !facts.windowClass && !facts.desktopFile) {
        return std::nullopt;
    }
    return resolve(pid.value_or(0), facts);
}

RunningApplication X11Workspace::resolve(std::int32_t pid, const ApplicationIdentity::WindowFacts& window) {
    RunningApplication application =
        ApplicationIdentity::resolve(pid, window, ApplicationIdentity::processFacts(pid));
    if (application.bundleID) {
        if (auto installed = installed_.application(*application.bundleID); installed && installed->name) {
            application.name = std::move(installed->name);
        }
    }
    return application;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    X11Connection& x11 = *x11_;
    const auto active = x11.cardinalProperty(
        x11.requestProperty(x11.root(), x11.ewmh()->_NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW));
    if (!active || *active == XCB_NONE) {
        return std::nullopt;
    }
    return applicationOfWindow(*active);
}

std::optional<RunningApplication> X11Workspace::runningApplication(std::int32_t pid) {
    if (!ApplicationIdentity::processExists(pid)) {
        return std::nullopt;
    }
    // The window facts come from the process's first window, when it has one.
    X11Connection& x11 = *x11_;
    xcb_ewmh_connection_t& ewmh = *x11.ewmh();
    const std::vector<std::uint32_t> clients = x11.cardinalsProperty(x11.requestProperty(
        x11.root(), ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW, std::numeric_limits<std::uint32_t>::max() / 4));
    std::optional<xcb_window_t> owned;
    const std::vector<std::optional<std::int32_t>> processes = windowProcesses(x11, clients);
    for (std::size_t i = 0; i < clients.size() && !owned; ++i) {
        if (processes[i] == pid) {
            owned = clients[i];
        }
    }
    if (owned) {
        if (auto application = applicationOfWindow(*owned); application && application->pid == pid) {
            return application;
        }
    }
    return resolve(pid, {});
}

std::vector<RunningApplication> X11Workspace::runningApplications() {
    X11Connection& x11 = *x11_;
    xcb_ewmh_connection_t& ewmh = *x11.ewmh();
    const std::vector<std::uint32_t> clients = x11.cardinalsProperty(x11.requestProperty(
        x11.root(), ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW, std::numeric_limits<std::uint32_t>::max() / 4));
    struct Requests {
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t state;
    };
    std::vector<Requests> requests;
    requests.reserve(clients.size());
    for (xcb_window_t window : clients) {
        requests.push_back({x11.requestProperty(window, ewmh._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM),
                            x11.requestProperty(window, ewmh._NET_WM_STATE, XCB_ATOM_ATOM)});
    }
    std::vector<RunningApplication> applications;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const std::vector<std::uint32_t> types = x11.cardinalsProperty(requests[i].type);
        const std::vector<std::uint32_t> states = x11.cardinalsProperty(requests[i].state);
        // What the taskbar lists: ordinary windows (a window naming no type is one) that do not ask
        // to be left out of it.
        const bool ordinary = types.empty() || types.front() == ewmh._NET_WM_WINDOW_TYPE_NORMAL;
        const bool skipsTaskbar =
            std::find(states.begin(), states.end(), ewmh._NET_WM_STATE_SKIP_TASKBAR) != states.end();
        if (!ordinary || skipsTaskbar) {
            continue;
        }
        std::optional<RunningApplication> application = applicationOfWindow(clients[i]);
        if (!application) {
            continue;
        }
        const std::string key = application->bundleID ? "id:" + *application->bundleID
                                                      : "pid:" + std::to_string(application->pid);
        if (seen.insert(key).second) {
            applications.push_back(std::move(*application));
        }
    }
    return applications;
}

void X11Workspace::setActivationHandler(std::function<void(std::optional<RunningApplication>)> handler) {
    handler_ = std::move(handler);
    watchRoot();
}

void X11Workspace::setLaunchHandler(std::function<void(RunningApplication)> handler) {
    launchHandler_ = std::move(handler);
    // What shows windows now was launched before: only later arrivals count.
    clients_ = clientProcesses();
    watchRoot();
}

void X11Workspace::watchRoot() {
    if (watcher_) {
        return;
    }
    watcher_ = new X11EventWatcher(
        [this](const X11EventWatcher::Events& events) { propertiesChanged(events); }, this);
    if (X11Connection* events = watcher_->x11()) {
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(events->connection(), events->root(), XCB_CW_EVENT_MASK, &mask);
        xcb_flush(events->connection());
    }
}

void X11Workspace::propertiesChanged(const X11EventWatcher::Events& events) {
    const xcb_atom_t active = x11_->ewmh()->_NET_ACTIVE_WINDOW;
    const xcb_atom_t clients = x11_->ewmh()->_NET_CLIENT_LIST;
    bool activeChanged = false;
    bool clientsChanged = false;
    for (const auto& event : events) {
        if ((event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY) {
            const xcb_atom_t atom = reinterpret_cast<const xcb_property_notify_event_t*>(event.get())->atom;
            activeChanged = activeChanged || atom == active;
            clientsChanged = clientsChanged || atom == clients;
        }
    }
    // A burst of changes is read once, after the last of them.
    if (clientsChanged && launchHandler_) {
        this->clientsChanged();
    }
    if (activeChanged && handler_) {
        handler_(frontmostApplication());
    }
}

std::map<xcb_window_t, std::int32_t> X11Workspace::clientProcesses() {
    X11Connection& x11 = *x11_;
    xcb_ewmh_connection_t& ewmh = *x11.ewmh();
    const std::vector<std::uint32_t> windows = x11.cardinalsProperty(x11.requestProperty(
        x11.root(), ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW, std::numeric_limits<std::uint32_t>::max() / 4));
    const std::vector<std::optional<std::int32_t>> pids = windowProcesses(x11, windows);
    std::map<xcb_window_t, std::int32_t> processes;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        processes[windows[i]] = pids[i].value_or(0);
    }
    return processes;
}

void X11Workspace::clientsChanged() {
    std::map<xcb_window_t, std::int32_t> now = clientProcesses();
    std::set<std::int32_t> known;
    for (const auto& [window, pid] : clients_) {
        known.insert(pid);
    }
    std::vector<RunningApplication> launched;
    for (const auto& [window, pid] : now) {
        // A window of a process that already had one is no launch; a window that names no process
        // counts on its own.
        if (clients_.count(window) || (pid != 0 && known.count(pid))) {
            continue;
        }
        if (pid != 0) {
            known.insert(pid);
        }
        if (auto application = applicationOfWindow(window)) {
            launched.push_back(std::move(*application));
        }
    }
    clients_ = std::move(now);
    for (const RunningApplication& application : launched) {
        launchHandler_(application);
    }
}

} // namespace vesperline::platform
