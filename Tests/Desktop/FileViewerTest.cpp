// Showing a folder through the file-manager interface of the session bus, with a stand-in file manager
// in place of a real one.
#include "DesktopSession.h"

#include "Platform/Linux/FreedesktopFileViewer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QScopeGuard>
#include <QThread>

#include <mutex>

namespace vesperline::platform {
namespace {

const QString fileManagerName = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// Keeps every ShowItems request and answers it, or fails it like a file manager that cannot.
class FakeFileManager final : public QDBusVirtualObject {
  public:
    explicit FakeFileManager(bool fails) : fails_(fails) {}

    std::vector<QStringList> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != fileManagerName || message.member() != QLatin1String("ShowItems")) {
            return false;
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(message.arguments().value(0).toStringList());
        }
        return connection.send(fails_ ? message.createErrorReply(QDBusError::Failed, "cannot show that")
                                      : message.createReply());
    }

  private:
    const bool fails_;
    mutable std::mutex mutex_;
    std::vector<QStringList> requests_;
};

TEST(FileViewerTest, TheFileManagerShowsTheFolderSelectedAndOnlyAFailureOpensIt) {
    REQUIRE_DESKTOP_SESSION();
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the file manager fails" : "the file manager answers");
        const QString connectionName = QStringLiteral("fake-file-manager");
        QDBusConnection services = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        // The stand-in answers on a thread of its own, as a file manager would from its own process.
        QThread serviceThread;
        FakeFileManager fileManager(fails);
        fileManager.moveToThread(&serviceThread);
        serviceThread.start();
        const auto cleanUp = qScopeGuard([&] {
            services.unregisterService(fileManagerName);
            serviceThread.quit();
            serviceThread.wait();
            QDBusConnection::disconnectFromBus(connectionName);
        });
        ASSERT_TRUE(services.registerVirtualObject(fileManagerPath, &fileManager));
        ASSERT_TRUE(services.registerService(fileManagerName));

        std::vector<QUrl> opened;
        FreedesktopFileViewer viewer(QDBusConnection::sessionBus(),
                                     [&](const QUrl& url) { opened.push_back(url); });
        viewer.showFolder("/tmp/data folder/Ostrel");
        ASSERT_TRUE(desktoptest::waitUntil([&] { return fileManager.requests().size() == 1; }));
        EXPECT_EQ(fileManager.requests()[0], QStringList{"file:///tmp/data%20folder/Ostrel"});
        if (fails) {
            ASSERT_TRUE(desktoptest::waitUntil([&] { return opened.size() == 1; }));
            EXPECT_EQ(opened[0], QUrl::fromLocalFile("/tmp/data folder/Ostrel"));
        } else {
            // The answer has come back once the bus has carried one more round trip.
            QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"));
            QCoreApplication::processEvents();
            EXPECT_TRUE(opened.empty());
        }
    }
}

} // namespace
} // namespace vesperline::platform
