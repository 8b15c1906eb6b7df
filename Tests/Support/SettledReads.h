#pragma once

#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"

#include <QTest>

#include <gtest/gtest.h>

namespace testsupport {

// Waits until the reads and searches posted to `hub` so far, and what they report to the main
// thread, are done; twice over, so a report that reads once more is settled too.
inline void settleReads(vesperline::StoreHub& hub) {
    for (int round = 0; round < 2; ++round) {
        hub.readSync([](ostrel::MemoryStore&) {});
        hub.searchAsync([](ostrel::MemoryStore&) {}).waitForFinished();
        bool drained = false;
        vesperline::MainThread::post([&] { drained = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return drained; }));
    }
}

} // namespace testsupport
