#include "Capture/SystemEventsMonitor.h"
#include "Platform/Fake/FakeSystemEventSource.h"
#include "Support/LogCapture.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using Event = SystemEventsMonitor::Event;

TEST(SystemEventsMonitorTest, DeliversEventsInOrderOnTheMainThread) {
    platform::FakeSystemEventSource source;
    SystemEventsMonitor monitor(source);
    std::vector<Event> events;
    monitor.onEvent = [&](Event event) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        events.push_back(event);
    };
    monitor.start();
    source.deliver(Event::locked);
    source.deliver(Event::unlocked);
    source.deliver(Event::willSleep);
    EXPECT_EQ(events, (std::vector<Event>{Event::locked, Event::unlocked, Event::willSleep}));
}

TEST(SystemEventsMonitorTest, AbsentServicesAreLoggedOnceAndEventsAfterTheMonitorIsGoneDoNothing) {
    platform::FakeSystemEventSource source;
    source.missing = {"Sleep and lock events: no login manager"};
    testsupport::LogCapture log;
    int calls = 0;
    {
        SystemEventsMonitor monitor(source);
        monitor.onEvent = [&](Event) { ++calls; };
        monitor.start();
    }
    EXPECT_EQ(log.lines(), QStringList{"capture: Sleep and lock events: no login manager"});
    source.deliver(Event::screensSlept);
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace vesperline
