// The built application against the real programs of a desktop: Firefox ESR and Chromium showing
// pages of a loopback server, Mousepad and xterm. What it keeps is read back from its database and
// its stored pictures: nothing of an excluded site or a private window, in front or behind another
// window; the page's own address and its paragraphs as accessibility text; recording that goes on
// in a terminal after a password field was focused in the browser; no time for the app itself.
#include "DesktopSession.h"
#include "RealPrograms.h"

#include "Capture/WindowInspector.h"
#include "Platform/Linux/AtspiAccessibility.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/X11WindowServer.h"
#include "Runtime/AppIdentity.h"
#include "Runtime/SystemClock.h"
#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Support/FakeModelServer.h"
#include "Support/TemporaryDirectory.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <map>

namespace vesperline::desktoptest {
namespace {

using ostrel::MemoryStore;
using testsupport::FakeModelServer;

// Words that must never be kept, each on a page that must never be kept.
const char* const excludedWord = "ZEPPELINQUARTZ";   // a host in the excluded sites
const char* const pastedWord = "OBSIDIANWALRUS";     // under an address pasted with scheme and path
const char* const privateWord = "MARZIPANOCTOPUS";   // in a private window
const char* const chromiumWord = "TANGERINEGLACIER"; // in a browser that shows no accessibility tree

QByteArray page(const QString& title, const QString& colour, const QString& body) {
    return QStringLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body style=\"background:%2;font-size:20px\">%3</body></html>")
        .arg(title, colour, body)
        .toUtf8();
}

// The pages, by path; the same on every address the servers listen on.
FakeModelServer::Response pages(const FakeModelServer::Request& request) {
    const std::map<QByteArray, QByteArray> known = {
        {"/allowed.html",
         page("Harbour Notes", "#fff8e0",
              "<h1>Harbour notes</h1><p>The HUMMINGBIRD crosses the harbour every morning before the "
              "ferry.</p>"
              "<p>The pilot boat waits at the <a href=\"#\">northern pier</a> until noon.</p>"
              "<ul><li>Tide tables</li><li>Mooring fees</li></ul>")},
        {"/ledger.html",
         page("Secret Ledger", "#e0f0ff",
              QStringLiteral("<h1>Ledger</h1><p>The balance word is %1.</p>").arg(excludedWord))},
        {"/excl/club.html", page("Members Club", "#e8ffe8",
                                 QStringLiteral("<h1>Club</h1><p>The password is %1.</p>").arg(pastedWord))},
        {"/diary.html", page("Quiet Diary", "#ffe8f0",
                             QStringLiteral("<h1>Diary</h1><p>Today I saw %1.</p>").arg(privateWord))},
        {"/login.html", page("Sign In", "#f0f0f0", "<p>Password</p><input type=\"password\" autofocus>")},
        {"/chromium.html", page("Glacier Page", "#e0fff8",
                                QStringLiteral("<h1>Glacier</h1><p>%1 melts slowly.</p>").arg(chromiumWord))},
    };
    const auto found = known.find(request.path);
    if (found == known.end()) {
        return {404, {}, false, "text/plain"};
    }
    return {200, found->second, false, "text/html; charset=utf-8"};
}

// The session's accessibility switch, as assistive programs set it.
QDBusMessage statusCall(const QString& method) {
    return QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                          method);
}

bool accessibilitySwitch() {
    QDBusMessage get = statusCall("Get");
    get << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    return !reply.arguments().isEmpty() && reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

void setAccessibilitySwitch(bool enabled) {
    QDBusMessage set = statusCall("Set");
    set << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
        << QVariant::fromValue(QDBusVariant(enabled));
    QDBusConnection::sessionBus().call(set, QDBus::Block, 5000);
}

double now() {
    return ostrel::currentTime();
}

class RealAppsTest : public ::testing::Test {
  protected:
    RealAppsTest() {
        std::filesystem::create_directories(config() / "Vesperline");
        std::filesystem::create_directories(home());
    }
    ~RealAppsTest() override {
        // The desktop tests that follow expect the session's accessibility on, as the session set it.
        if (inDesktopSession()) {
            setAccessibilitySwitch(true);
        }
    }

    std::filesystem::path data() const { return folder.path() / "data"; }
    std::filesystem::path config() const { return folder.path() / "config"; }
    std::filesystem::path home() const { return folder.path() / "home"; }

    void startApplication(const std::vector<std::string>& excludedSites) {
        nlohmann::json settings = {{"onboardingCompleted", true}, {"excludedSites", excludedSites}};
        std::ofstream(config() / "Vesperline" / "settings.json") << settings.dump();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OSTREL_DATA_DIR", QString::fromStdString(data().string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config().string()));
        environment.remove("QT_QPA_PLATFORM");
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(VESPERLINE_APPLICATION), {});
        ASSERT_TRUE(app.waitForStarted(10000));
    }
    std::int32_t appPid() const { return static_cast<std::int32_t>(app.processId()); }

    // What the app's own windows say (its status line among it), read through accessibility.
    std::string appText() {
        std::string text;
        for (const AXWindow& window : inspector.windows(appPid())) {
            text += inspector.readText(window.element, std::nullopt, 5000, 200000, 3).text + "\n";
        }
        return text;
    }
    bool appSays(const std::string& words) { return appText().find(words) != std::string::npos; }
    // The kept moments of an application, for a failure's message.
    std::string momentsOf(const std::string& bundle) {
        return read(
            [&](MemoryStore& store) {
                std::string listed;
                for (const auto& line : store.db().query(
                         "SELECT f.window_title, f.url, f.text_source, t.body FROM frames f LEFT JOIN "
                         "frame_text t "
                         "ON t.frame_id = f.id WHERE f.app_bundle = ?",
                         {ostrel::SQLValue::text(bundle)}, false, [](const ostrel::SQLRow& row) {
                             return row.text(0).value_or("-") + " | " + row.text(1).value_or("-") + " | " +
                                    std::to_string(row.int64(2)) + " | " + row.text(3).value_or("-");
                         })) {
                    listed += line + "\n";
                }
                return listed;
            },
            std::string());
    }

    template <typename Value, typename Read> Value read(Read body, Value fallback) {
        try {
            MemoryStore store(ostrel::OstrelPaths::databaseURL(data()), true);
            return body(store);
        } catch (const std::exception&) {
            return fallback; // not there yet
        }
    }
    std::int64_t count(const std::string& sql, const std::vector<ostrel::SQLValue>& values = {}) {
        return read(
            [&](MemoryStore& store) {
                return store.db()
                    .query(sql, values, false, [](const ostrel::SQLRow& row) { return row.int64(0); })
                    .front();
            },
            std::int64_t{0});
    }
    std::size_t found(const std::string& words) {
        return read(
            [&](MemoryStore& store) {
                return store
                    .search(ostrel::SearchQuery(words, std::nullopt, std::nullopt, {}, 50,
                                                ostrel::SearchQuery::Sort::newest),
                            now())
                    .size();
            },
            std::size_t{0});
    }
    // The newest moment of the window titled `title` kept after `since`, or 0.
    std::int64_t momentOf(const std::string& title, double since) {
        return count("SELECT COALESCE(MAX(id), 0) FROM frames WHERE window_title = ? AND ts > ? AND "
                     "image_state = 1",
                     {ostrel::SQLValue::text(title), ostrel::SQLValue::real(since)});
    }
    std::optional<ostrel::BGRAImage> picture(std::int64_t frameID) {
        const auto position = read(
            [&](MemoryStore& store) {
                const auto frame = store.frame(frameID);
                return frame && frame->segmentPath && frame->segmentIndex
                           ? std::optional(std::pair(*frame->segmentPath, *frame->segmentIndex))
                           : std::nullopt;
            },
            std::optional<std::pair<std::string, std::int64_t>>());
        if (!position) {
            return std::nullopt;
        }
        platform::FFmpegVideoFiles files;
        auto reader = files.openReader(ostrel::OstrelPaths::frameFileURL(data(), position->first));
        return reader ? reader->decodeFrame(position->second) : std::nullopt;
    }

    // Brings the terminal in front, types in it, and waits for a moment of it kept from then on.
    // The browser window titled `title`, once it is there, put in front where the browsers stand; 0
    // when it did not come within `seconds`.
    static unsigned long browserInFront(const QString& title, double seconds = 30) {
        const unsigned long window = windowNamed(title, seconds);
        if (window != 0) {
            placeInFront(window, 0, 0, 1000, 800);
        }
        return window;
    }
    std::int64_t terminalMoment(const std::string& typed) {
        bringToFront(terminal);
        const double since = now();
        std::int64_t moment = 0;
        // The first picture after the terminal came to the front hides the window it covers whole, the
        // terminal with it, until the stacking has stood for a frame: the user goes on typing.
        for (int attempt = 0; attempt < 4 && moment == 0; ++attempt) {
            // Typed as keys, through the keyboard focus: xterm ignores keys sent to a window directly.
            runTool("xdotool", {"type", QString::fromStdString(typed + "\n")});
            waitUntil([&] { return (moment = momentOf("Plain Terminal", since)) != 0; }, 10);
        }
        return moment;
    }

    testsupport::TemporaryDirectory folder;
    QProcess app;
    std::shared_ptr<platform::X11Connection> x11 = platform::X11Connection::open();
    platform::X11WindowServer windowServer{x11};
    platform::AtspiAccessibility accessibility;
    WindowInspector inspector{accessibility, windowServer, systemClock()};
    unsigned long terminal = 0;
};

TEST_F(RealAppsTest, KeepsWhatTheUserMayKeepAndNothingElse) {
    REQUIRE_DESKTOP_SESSION();
    ASSERT_TRUE(RealPrograms::missing().isEmpty())
        << "not installed: " << RealPrograms::missing().join(' ').toStdString()
        << " (run scripts/install-deps)";
    FakeModelServer server(pages);
    FakeModelServer excludedServer(pages, QHostAddress("127.0.0.2"));
    const QString allowed = QString::fromStdString(server.url()) + "/allowed.html";
    const std::string pastedSite = "http://localhost:" + std::to_string(server.port()) + "/excl/";

    // The desktop's accessibility is off, as on a desktop without assistive programs: the app turns
    // it on while it records.
    setAccessibilitySwitch(false);
    ASSERT_TRUE(waitUntil([] { return !accessibilitySwitch(); }, 10));
    startApplication({"127.0.0.2", pastedSite});
    ASSERT_TRUE(waitUntil([] { return accessibilitySwitch(); }, 30)) << "the app switches accessibility on";
    ASSERT_TRUE(
        waitUntil([&] { return accessibility.isTrusted() && !inspector.windows(appPid()).empty(); }, 30))
        << "the app's window is there";
    // Aside, so that the blank the capturer draws over our own window never stands for another one.
    const QStringList own =
        runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(appPid())}).split('\n');
    ASSERT_FALSE(own.isEmpty());
    const unsigned long ownWindow = own.first().toULong();
    placeInFront(ownWindow, 1100, 0, 800, 700);

    RealPrograms programs(home());
    programs.xterm("Plain Terminal", 50, 12, 0, 560);
    terminal = windowNamed("Plain Terminal");
    ASSERT_NE(terminal, 0u);

    // An allowed page: kept with its own address, found by its site, its paragraphs read as text.
    programs.firefox(allowed);
    const unsigned long harbour = browserInFront("Harbour Notes — Mozilla Firefox", 60);
    ASSERT_NE(harbour, 0u);
    const std::string allowedAddress = allowed.toStdString();
    EXPECT_TRUE(waitUntil(
        [&] {
            return count(
                       "SELECT COUNT(*) FROM frames f JOIN frame_text t ON t.frame_id = f.id WHERE f.url = ? "
                       "AND f.text_source & 1 AND t.body LIKE '%HUMMINGBIRD crosses the harbour%'",
                       {ostrel::SQLValue::text(allowedAddress)}) > 0;
        },
        60))
        << "the page's moment, with its address and its paragraph as accessibility text; kept:\n"
        << momentsOf("firefox-esr");
    EXPECT_GT(found("site:127.0.0.1 hummingbird"), 0u);

    // A site excluded by its host, in front: not kept; the status says why.
    programs.firefox(QString::fromStdString(excludedServer.url()) + "/ledger.html");
    const unsigned long ledger = browserInFront("Secret Ledger — Mozilla Firefox");
    ASSERT_NE(ledger, 0u);
    EXPECT_TRUE(waitUntil([&] { return appSays("Not recording an excluded website"); }, 30));
    // Behind the terminal: blanked where it shows, while the terminal keeps its picture.
    const std::int64_t overLedger = terminalMoment("echo over the ledger");
    ASSERT_NE(overLedger, 0);
    const auto terminalFrame = frameOfWindow("Plain Terminal");
    ASSERT_TRUE(terminalFrame);
    runTool("xdotool", {"windowminimize", QString::number(ledger)});

    // A site excluded as pasted from the address bar, scheme and path included.
    programs.firefox(QString::fromStdString(pastedSite) + "club.html");
    const unsigned long club = browserInFront("Members Club — Mozilla Firefox");
    ASSERT_NE(club, 0u);
    EXPECT_TRUE(waitUntil([&] { return appSays("Not recording an excluded website"); }, 30));
    ASSERT_NE(terminalMoment("echo over the club"), 0);
    runTool("xdotool", {"windowminimize", QString::number(club)});

    // A private window: skipped in front, blanked behind.
    programs.firefox(QString::fromStdString(server.url()) + "/diary.html", true);
    const unsigned long diary = browserInFront("Quiet Diary — Mozilla Firefox Private Browsing");
    ASSERT_NE(diary, 0u);
    EXPECT_TRUE(waitUntil([&] { return appSays("Not recording private browser windows"); }, 30));
    const std::int64_t overDiary = terminalMoment("echo over the diary");
    ASSERT_NE(overDiary, 0);
    runTool("xdotool", {"windowminimize", QString::number(diary)});

    // A password field focused in the browser holds recording only while the browser is in front.
    programs.firefox(QString::fromStdString(server.url()) + "/login.html");
    const unsigned long login = browserInFront("Sign In — Mozilla Firefox");
    ASSERT_NE(login, 0u);
    EXPECT_TRUE(waitUntil([&] { return appSays("Not recording while a password is being typed"); }, 30));
    EXPECT_NE(terminalMoment("echo after the password"), 0) << "the terminal in front is recorded";
    runTool("xdotool", {"windowminimize", QString::number(login)});

    // Chromium started as a user starts it keeps its tree to itself: never kept, and the user is told.
    programs.chromium(QString::fromStdString(server.url()) + "/chromium.html");
    const unsigned long glacier = browserInFront("Glacier Page - Chromium", 60);
    ASSERT_NE(glacier, 0u);
    EXPECT_TRUE(waitUntil([&] { return appSays("shows no accessibility tree"); }, 30)) << appText();
    const std::int64_t overGlacier = terminalMoment("echo over chromium");
    ASSERT_NE(overGlacier, 0);

    // A GTK 3 editor's text arrives through accessibility.
    const std::filesystem::path note = home() / "tide.txt";
    std::ofstream(note) << "The PELICANFEATHER tide table for the northern pier\n";
    programs.mousepad(note);
    const unsigned long editor = windowNamed(QString::fromStdString(note.string()) + " - Mousepad");
    ASSERT_NE(editor, 0u);
    placeInFront(editor, 100, 100, 700, 500);
    EXPECT_TRUE(waitUntil(
        [&] {
            return count("SELECT COUNT(*) FROM frames f JOIN frame_text t ON t.frame_id = f.id WHERE "
                         "f.text_source & 1 AND t.body LIKE '%PELICANFEATHER tide table%'") > 0;
        },
        30));

    // Our own window in front takes no time in the activity.
    bringToFront(ownWindow);
    EXPECT_NE(terminalMoment("echo after our own window"), 0);

    ::kill(static_cast<pid_t>(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_FALSE(accessibilitySwitch()) << "switched back off at quit, as it was found";

    // The terminal's pictures, once the app has finished its segments: blank where the window behind
    // it that must not be kept shows, while the terminal in front keeps its picture.
    int leaks = 0;
    for (const auto& [moment, behind] :
         {std::pair{overLedger, "the excluded page"}, std::pair{overDiary, "the private window"},
          std::pair{overGlacier, "the browser that could not be checked"}}) {
        const auto stored = picture(moment);
        ASSERT_TRUE(stored) << behind;
        EXPECT_TRUE(isBlankAt(*stored, 700, 300)) << behind << ", where it shows";
        EXPECT_FALSE(isBlankAt(*stored, *terminalFrame)) << "the terminal in front of " << behind;
        leaks += !isBlankAt(*stored, 700, 300);
    }

    // Nothing of what must not be kept, anywhere: titles, addresses, text, activity, the index.
    for (const char* word : {excludedWord, pastedWord, privateWord, chromiumWord}) {
        const std::string like = std::string("%") + word + "%";
        const std::int64_t kept =
            count("SELECT (SELECT COUNT(*) FROM frames WHERE window_title LIKE ?1 OR url LIKE ?1) + "
                  "(SELECT COUNT(*) FROM frame_text WHERE body LIKE ?1) + "
                  "(SELECT COUNT(*) FROM activity WHERE window_title LIKE ?1)",
                  {ostrel::SQLValue::text(like)}) +
            static_cast<std::int64_t>(found(word));
        EXPECT_EQ(kept, 0) << word;
        leaks += kept > 0;
    }
    for (const char* title : {"Secret Ledger%", "Members Club%", "Quiet Diary%", "Glacier Page%"}) {
        const std::int64_t kept = count("SELECT (SELECT COUNT(*) FROM frames WHERE window_title LIKE ?1) + "
                                        "(SELECT COUNT(*) FROM activity WHERE window_title LIKE ?1)",
                                        {ostrel::SQLValue::text(title)});
        EXPECT_EQ(kept, 0) << title;
        leaks += kept > 0;
    }
    const std::int64_t excludedAddresses =
        count("SELECT COUNT(*) FROM frames WHERE url LIKE '%127.0.0.2%' OR url LIKE '%/excl/%'");
    EXPECT_EQ(excludedAddresses, 0);
    leaks += excludedAddresses > 0;
    EXPECT_EQ(count("SELECT COUNT(*) FROM activity WHERE app_bundle IN (?, 'vesperline', 'Vesperline') OR "
                    "app_name LIKE 'vesperline'",
                    {ostrel::SQLValue::text(appID)}),
              0)
        << "no time for the app itself";
    EXPECT_GT(count("SELECT COUNT(*) FROM activity WHERE app_bundle = 'firefox-esr'"), 0);

    // What one run kept, for the record.
    const auto perApp = read(
        [](MemoryStore& store) {
            return store.db().query(
                "SELECT COALESCE(app_bundle, '-'), COUNT(*), SUM(text_source & 1) FROM frames GROUP BY 1", {},
                false, [](const ostrel::SQLRow& row) {
                    return std::tuple(row.text(0).value_or(""), row.int64(1), row.int64(2));
                });
        },
        std::vector<std::tuple<std::string, std::int64_t, std::int64_t>>());
    for (const auto& [bundle, moments, accessible] : perApp) {
        std::printf("real apps: %s kept %lld moments, %lld with accessibility text\n", bundle.c_str(),
                    static_cast<long long>(moments), static_cast<long long>(accessible));
    }
    std::printf("real apps: %d leaks\n", leaks);
}

} // namespace
} // namespace vesperline::desktoptest
