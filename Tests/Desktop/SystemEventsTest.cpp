// The session's events through the real D-Bus and X paths. Stand-ins for logind and the desktop's
// screen saver service run on the session bus of the desktop session, which this test also uses as
// its system bus; display sleep is the X server's own screen saver, switched on and off here.
#include "DesktopSession.h"

#include "Platform/Linux/LinuxSystemEvents.h"
#include "Platform/Linux/X11Connection.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QScopeGuard>
#include <QThread>

#include <xcb/xcb.h>

#include <atomic>

namespace vesperline::platform {
namespace {

const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/c1");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");

// Answers the two calls the events source makes of logind: our session's path and its properties.
class FakeLogind final : public QDBusVirtualObject {
  public:
    // The session's properties asked for so far; they are asked for once the session is watched.
    std::atomic<int> propertyReads{0};

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == QLatin1String("GetSessionByPID")) {
            return connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(sessionPath))));
        }
        if (message.member() == QLatin1String("Get") && message.path() == sessionPath) {
            ++propertyReads;
            const QString name = message.arguments().value(1).toString();
            const bool value = name == QLatin1String("Active");
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        }
        return false;
    }
};

class SystemEventsTest : public ::testing::Test {
  protected:
    void SetUp() override { REQUIRE_DESKTOP_SESSION(); }
    void TearDown() override { QDBusConnection::disconnectFromBus(servicesName); }

    // Qt reads the bus addresses once, when the first connection is made: the system bus is set
    // before that, and the stand-ins connect after.
    void useSystemBus(const QByteArray& address) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        services = QDBusConnection::connectToBus(QDBusConnection::SessionBus, servicesName);
    }

    // Sends a signal from the stand-in services and waits for the event it should give.
    void expectEvent(const QString& path, const QString& interface, const QString& name,
                     const QVariantList& arguments, std::optional<SystemEvent> expected) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        services.send(signal);
        checkNext(expected);
    }

    void checkNext(std::optional<SystemEvent> expected) {
        const std::size_t before = events.size();
        const bool arrived =
            desktoptest::waitUntil([&] { return events.size() > before; }, expected ? 10 : 0.5);
        if (expected) {
            ASSERT_TRUE(arrived);
            EXPECT_EQ(events.back(), *expected);
        } else {
            EXPECT_FALSE(arrived) << "no event expected";
        }
    }

    const QString servicesName = QStringLiteral("fake-services");
    QDBusConnection services{QString()};
    std::vector<SystemEvent> events;
};

TEST_F(SystemEventsTest, SleepLockSessionScreenSaverAndDisplaySleep) {
    useSystemBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"));
    // The stand-in answers on a thread of its own, as logind would from its own process.
    QThread serviceThread;
    FakeLogind logind;
    logind.moveToThread(&serviceThread);
    serviceThread.start();
    const auto stopThread = qScopeGuard([&] {
        serviceThread.quit();
        serviceThread.wait();
    });
    ASSERT_TRUE(services.registerVirtualObject("/org/freedesktop/login1", &logind, QDBusConnection::SubPath));
    ASSERT_TRUE(services.registerService("org.freedesktop.login1"));
    ASSERT_TRUE(services.registerService("org.freedesktop.ScreenSaver"));

    LinuxSystemEvents source;
    std::vector<std::string> missing;
    source.start([&](SystemEvent event) { events.push_back(event); },
                 [&](const std::string& line) { missing.push_back(line); });

    const QString manager = "org.freedesktop.login1.Manager";
    const QString properties = "org.freedesktop.DBus.Properties";
    expectEvent("/org/freedesktop/login1", manager, "PrepareForSleep", {true}, SystemEvent::willSleep);
    expectEvent("/org/freedesktop/login1", manager, "PrepareForSleep", {false}, SystemEvent::didWake);
    const auto changed = [&](const char* name, bool value) {
        return QVariantList{sessionInterface, QVariantMap{{name, value}}, QStringList()};
    };
    expectEvent(sessionPath, properties, "PropertiesChanged", changed("LockedHint", true),
                SystemEvent::locked);
    expectEvent(sessionPath, properties, "PropertiesChanged", changed("LockedHint", true), std::nullopt);
    expectEvent(sessionPath, properties, "PropertiesChanged", changed("LockedHint", false),
                SystemEvent::unlocked);
    expectEvent(sessionPath, properties, "PropertiesChanged", changed("Active", true), std::nullopt);
    expectEvent(sessionPath, properties, "PropertiesChanged", changed("Active", false),
                SystemEvent::sessionInactive);
    EXPECT_TRUE(missing.empty()) << missing.front();
    expectEvent("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true},
                SystemEvent::screensaverStarted);
    expectEvent("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {false},
                SystemEvent::screensaverStopped);

    const auto x11 = X11Connection::open();
    ASSERT_TRUE(x11);
    xcb_force_screen_saver(x11->connection(), XCB_SCREEN_SAVER_ACTIVE);
    xcb_flush(x11->connection());
    checkNext(SystemEvent::screensSlept);
    xcb_force_screen_saver(x11->connection(), XCB_SCREEN_SAVER_RESET);
    xcb_flush(x11->connection());
    checkNext(SystemEvent::screensWoke);
}

// The stand-in answers on the thread that starts the source: a start that waited there for logind's
// answer would wait until its call timed out, and then know no session.
TEST_F(SystemEventsTest, StartingWaitsForNoAnswer) {
    useSystemBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"));
    FakeLogind logind;
    ASSERT_TRUE(services.registerVirtualObject("/org/freedesktop/login1", &logind, QDBusConnection::SubPath));
    ASSERT_TRUE(services.registerService("org.freedesktop.login1"));

    LinuxSystemEvents source;
    std::vector<std::string> missing;
    source.start([&](SystemEvent event) { events.push_back(event); },
                 [&](const std::string& line) { missing.push_back(line); });
    ASSERT_TRUE(desktoptest::waitUntil([&] { return logind.propertyReads == 2; }));
    expectEvent(sessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                {sessionInterface, QVariantMap{{"LockedHint", true}}, QStringList()}, SystemEvent::locked);
    for (const std::string& line : missing) {
        EXPECT_EQ(line.find("login"), std::string::npos) << line;
    }
}

TEST_F(SystemEventsTest, AbsentServicesAreToldAndTolerated) {
    useSystemBus("unix:path=/nonexistent/system_bus_socket");
    LinuxSystemEvents source;
    std::vector<std::string> missing;
    source.start([&](SystemEvent event) { events.push_back(event); },
                 [&](const std::string& line) { missing.push_back(line); });
    // The system bus is missing at once; whether a screen saver service runs is told once the session
    // answers, so starting waits for neither.
    ASSERT_TRUE(desktoptest::waitUntil([&] { return missing.size() == 2; }));
    EXPECT_EQ(missing[0], "System events: no system bus, so no sleep, wake, lock or session events");
    EXPECT_EQ(missing[1],
              "System events: no screen saver service yet, so no screen saver events until one starts");

    const auto x11 = X11Connection::open();
    ASSERT_TRUE(x11);
    xcb_force_screen_saver(x11->connection(), XCB_SCREEN_SAVER_ACTIVE);
    xcb_flush(x11->connection());
    checkNext(SystemEvent::screensSlept);
    xcb_force_screen_saver(x11->connection(), XCB_SCREEN_SAVER_RESET);
    xcb_flush(x11->connection());
    checkNext(SystemEvent::screensWoke);
}

} // namespace
} // namespace vesperline::platform
