// Power saving through the real D-Bus path: a stand-in for power-profiles-daemon runs on the desktop
// session's bus, which the power source is given in place of the system bus.
#include "DesktopSession.h"

#include "Capture/PowerMonitor.h"
#include "Platform/Linux/LinuxPowerSource.h"
#include "Rules/PolicyEngine.h"
#include "Support/TemporaryDirectory.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QScopeGuard>
#include <QThread>

#include <mutex>

namespace vesperline::platform {
namespace {

const QString daemonName = QStringLiteral("net.hadess.PowerProfiles");
const QString daemonPath = QStringLiteral("/net/hadess/PowerProfiles");

// Answers the one property the power source asks for.
class FakeProfilesDaemon final : public QDBusVirtualObject {
  public:
    void setProfile(const QString& profile) {
        std::lock_guard lock(mutex_);
        profile_ = profile;
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Get") ||
            message.arguments().value(1).toString() != QLatin1String("ActiveProfile")) {
            return false;
        }
        std::lock_guard lock(mutex_);
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(profile_))));
    }

  private:
    std::mutex mutex_;
    QString profile_ = QStringLiteral("balanced");
};

TEST(PowerProfilesTest, APowerSaverProfileTurnsOnLowPowerMode) {
    REQUIRE_DESKTOP_SESSION();
    const QString servicesName = QStringLiteral("fake-power-profiles");
    QDBusConnection services = QDBusConnection::connectToBus(QDBusConnection::SessionBus, servicesName);
    // The stand-in answers on a thread of its own, as the daemon would from its own process, while
    // the source waits for it on this one.
    QThread serviceThread;
    FakeProfilesDaemon daemon;
    daemon.moveToThread(&serviceThread);
    serviceThread.start();
    const auto cleanUp = qScopeGuard([&] {
        serviceThread.quit();
        serviceThread.wait();
        QDBusConnection::disconnectFromBus(servicesName);
    });
    ASSERT_TRUE(services.registerVirtualObject(daemonPath, &daemon));
    ASSERT_TRUE(services.registerService(daemonName));

    // Power saving was on before the application started: the answer to the source's question
    // tells it, shortly after the first read.
    daemon.setProfile("power-saver");
    testsupport::TemporaryDirectory noSupplies;
    LinuxPowerSource source(noSupplies.path(), QDBusConnection::sessionBus());
    PowerMonitor monitor(source);
    std::vector<ostrel::PowerSnapshot> changes;
    monitor.onChange = [&](const ostrel::PowerSnapshot& snapshot) { changes.push_back(snapshot); };
    monitor.start();
    ASSERT_TRUE(desktoptest::waitUntil([&] { return changes.size() == 1; }));
    EXPECT_TRUE(changes[0].lowPowerMode);
    EXPECT_EQ(ostrel::PolicyEngine::policy(ostrel::CaptureMode::balanced, changes[0], false, false).reason,
              ostrel::CapturePolicy::Reason::lowPower);

    const auto switchTo = [&](const QString& profile) {
        daemon.setProfile(profile);
        QDBusMessage signal =
            QDBusMessage::createSignal(daemonPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
        signal.setArguments({daemonName, QVariantMap{{"ActiveProfile", profile}}, QStringList()});
        services.send(signal);
    };
    switchTo("performance");
    ASSERT_TRUE(desktoptest::waitUntil([&] { return changes.size() == 2; }));
    EXPECT_FALSE(changes[1].lowPowerMode);
    switchTo("power-saver");
    ASSERT_TRUE(desktoptest::waitUntil([&] { return changes.size() == 3; }));
    EXPECT_TRUE(changes[2].lowPowerMode);

    // The daemon goes away: no daemon, no power saving.
    ASSERT_TRUE(services.unregisterService(daemonName));
    monitor.refresh();
    ASSERT_TRUE(desktoptest::waitUntil([&] { return changes.size() == 4; }));
    EXPECT_FALSE(changes[3].lowPowerMode);
}

} // namespace
} // namespace vesperline::platform
