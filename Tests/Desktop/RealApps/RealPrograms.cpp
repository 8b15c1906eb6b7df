#include "RealPrograms.h"

#include "DesktopSession.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

#include <fstream>
#include <unistd.h>

namespace vesperline::desktoptest {

namespace {

// A proxy that nobody serves: an address that is not loopback goes nowhere.
const QString deadProxy = QStringLiteral("127.0.0.1:9");

// Preferences of a fresh Firefox profile: no first-run or update pages, no telemetry, no remote
// settings, no prefetching, no saving of passwords, and every address but loopback to the dead proxy.
constexpr const char* firefoxPreferences = R"(user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.sessionstore.resume_from_crash", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("app.shield.optoutstudies.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("extensions.getAddons.cache.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.newtabpage.activity-stream.feeds.section.topstories", false);
user_pref("browser.newtabpage.activity-stream.feeds.topsites", false);
user_pref("browser.topsites.contile.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.dns.disablePrefetch", true);
user_pref("network.prefetch-next", false);
user_pref("network.http.speculative-parallel-limit", 0);
user_pref("media.gmp-manager.url", "");
user_pref("signon.rememberSignons", false);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.no_proxies_on", "localhost, 127.0.0.1, 127.0.0.2");
)";

} // namespace

RealPrograms::RealPrograms(std::filesystem::path home)
    : home_(std::move(home)), firefoxProfile_(home_ / "firefox-profile") {
    std::filesystem::create_directories(firefoxProfile_);
    std::ofstream(firefoxProfile_ / "user.js") << firefoxPreferences;
}

RealPrograms::~RealPrograms() {
    for (auto& process : processes_) {
        process->terminate();
    }
    for (auto& process : processes_) {
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

QStringList RealPrograms::missing() {
    QStringList missing;
    for (const QString program : {"firefox-esr", "chromium", "mousepad", "xterm"}) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            missing << program;
        }
    }
    return missing;
}

void RealPrograms::start(const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A fresh home: nothing of the machine's user, and nothing left behind for them.
    environment.insert("HOME", QString::fromStdString(home_.string()));
    environment.insert("MOZ_CRASHREPORTER_DISABLE", "1");
    environment.remove("QT_QPA_PLATFORM");
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, arguments);
    process->waitForStarted(10000);
    processes_.push_back(std::move(process));
}

void RealPrograms::firefox(const QString& url, bool privateWindow) {
    QStringList arguments{"--profile", QString::fromStdString(firefoxProfile_.string())};
    if (firefoxRunning_) {
        // Handed to the running browser, which opens the window; this process ends at once.
        arguments << (privateWindow ? "--private-window" : "--new-window") << url;
        QProcess handOver;
        handOver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(home_.string()));
        handOver.setProcessEnvironment(environment);
        handOver.start("firefox-esr", arguments);
        handOver.waitForFinished(20000);
        return;
    }
    arguments << (privateWindow ? QStringList{"--private-window", url} : QStringList{url});
    start("firefox-esr", arguments);
    firefoxRunning_ = true;
}

void RealPrograms::chromium(const QString& url) {
    QStringList arguments{"--user-data-dir=" + QString::fromStdString((home_ / "chromium-profile").string()),
                          "--no-first-run",
                          "--no-default-browser-check",
                          "--disable-background-networking",
                          "--disable-component-update",
                          "--disable-sync",
                          "--disable-default-apps",
                          "--password-store=basic",
                          "--proxy-server=" + deadProxy,
                          url};
    // Its sandbox refuses to run as root.
    if (::geteuid() == 0) {
        arguments.prepend("--no-sandbox");
    }
    start("chromium", arguments);
}

void RealPrograms::mousepad(const std::filesystem::path& file) {
    start("mousepad", {QString::fromStdString(file.string())});
}

void RealPrograms::xterm(const QString& title, int columns, int rows, int x, int y) {
    start("xterm",
          {"-T", title, "-geometry", QStringLiteral("%1x%2+%3+%4").arg(columns).arg(rows).arg(x).arg(y),
           "-bg", "white", "-fg", "black", "-fa", "DejaVu Sans Mono", "-fs", "14"});
}

namespace {

// The title as a regular expression that matches it alone.
QString exactly(const QString& title) {
    QString pattern;
    for (const QChar c : title) {
        if (QStringLiteral(".^$*+?()[]{}|\\").contains(c)) {
            pattern += '\\';
        }
        pattern += c;
    }
    return "^" + pattern + "$";
}

} // namespace

unsigned long windowNamed(const QString& title, double seconds) {
    unsigned long window = 0;
    waitUntil(
        [&] {
            const QStringList found =
                runTool("xdotool", {"search", "--onlyvisible", "--name", exactly(title)})
                    .split('\n', Qt::SkipEmptyParts);
            window = found.isEmpty() ? 0 : found.first().toULong();
            return window != 0;
        },
        seconds);
    return window;
}

void placeInFront(unsigned long window, int x, int y, int width, int height) {
    const QString id = QString::number(window);
    runTool("xdotool", {"windowsize", id, QString::number(width), QString::number(height)});
    runTool("xdotool", {"windowmove", id, QString::number(x), QString::number(y)});
    // The window manager places the frame; the client's size is what was asked for.
    const QString size = QStringLiteral("Geometry: %1x%2").arg(width).arg(height);
    waitUntil([&] { return runTool("xdotool", {"getwindowgeometry", id}).contains(size); }, 5);
    bringToFront(window);
}

void bringToFront(unsigned long window) {
    runTool("xdotool", {"windowactivate", "--sync", QString::number(window)});
}

} // namespace vesperline::desktoptest
