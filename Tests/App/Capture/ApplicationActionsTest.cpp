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
    QTimer::singleShot(5000, &application, [&] { application.exit(1); });
    EXPECT_TRUE(launched);
    EXPECT_EQ(application.exec(), 0) << "the quit came from the relaunch, not the time-out";
}

} // namespace
} // namespace vesperline
