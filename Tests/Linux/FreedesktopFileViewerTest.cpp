#include "Platform/Linux/FreedesktopFileViewer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

TEST(FreedesktopFileViewerTest, WithoutABusTheFolderIsOpenedInstead) {
    // A connection to a bus that is not there: the request fails at once.
    const QDBusConnection noBus =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "no-bus");
    ASSERT_FALSE(noBus.isConnected());
    std::vector<QUrl> opened;
    FreedesktopFileViewer viewer(noBus, [&](const QUrl& url) { opened.push_back(url); });
    viewer.showFolder("/home/someone/.local/share/Ostrel");
    EXPECT_TRUE(opened.empty()) << "the fallback runs later, never inside the call";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector{QUrl("file:///home/someone/.local/share/Ostrel")});
    QDBusConnection::disconnectFromBus("no-bus");
}

} // namespace
} // namespace vesperline::platform
