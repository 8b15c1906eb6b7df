#include "Capture/ApplicationActions.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(ApplicationActionsTest, RelaunchQuitsEvenWhenTheNewInstanceFailsToStart) {
    QCoreApplication& application = *QCoreApplication::instance();
    bool launched = false;
    relaunchApp([&] {
        launched = true;
        return false;
    });
    // A timer of the test's own, gone with it: a time-out that fired after the test would end
    // every event loop the later tests start.
    QTimer timeOut;
    timeOut.setSingleShot(true);
    QObject::connect(&timeOut, &QTimer::timeout, &application, [&] { application.exit(1); });
    timeOut.start(5000);
    EXPECT_TRUE(launched);
    EXPECT_EQ(application.exec(), 0) << "the quit came from the relaunch, not the time-out";
}

} // namespace
} // namespace vesperline
