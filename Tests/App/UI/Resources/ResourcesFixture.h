#pragma once

#include "Capture/ResourceMonitor.h"
#include "Model/AppSettings.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakePowerSource.h"
#include "Platform/Fake/FakeProcessResources.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Resources/ResourcesController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vesperline {

// What a resources screen is made over: a store of its own, a resource monitor on fakes (a laptop
// with a 50 Wh battery whose energy is estimated, until the test says otherwise), settings in memory,
// a file manager that keeps what it was asked, and counts of what the screen asked of the model.
// The clock stands at 2025-03-01 14:05:09 in Istanbul, where the tests run, a Saturday.
class ResourcesFixture : public ::testing::Test {
  protected:
    static constexpr ostrel::Time saturdayAfternoon = 1740827109;
    static constexpr ostrel::Time saturdayMidnight = 1740776400;

    ResourcesFixture() { power.capacityWattHours = 50; }

    // A controller over the services; the monitor reads the battery when the first one is made.
    std::unique_ptr<ResourcesController> makeController() {
        if (!monitor) {
            monitor = std::make_unique<ResourceMonitor>(hub, processResources, power, clock);
        }
        return std::make_unique<ResourcesController>(
            hub, settings, *monitor, viewer,
            ResourcesController::ModelActions{[this] { ++refreshes; }, [this] { ++maintenanceRuns; }}, format,
            clock);
    }
    // Adds to a day's statistics.
    void addStats(const std::string& day, double energyJoules, std::int64_t framesSaved = 0) {
        hub.sync([&](ostrel::MemoryStore& store) {
            ostrel::StatsDelta delta;
            delta.energyJoules = energyJoules;
            delta.framesSaved = framesSaved;
            store.addStats(day, delta);
        });
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{saturdayAfternoon};
    StoreHub hub{data.path(), clock};
    platform::FakeProcessResources processResources;
    platform::FakePowerSource power;
    std::unique_ptr<ResourceMonitor> monitor;
    AppSettings settings{std::make_shared<platform::MemorySettingsStore>()};
    platform::FakeFileViewer viewer;
    const Format format{"en_US", "Europe/Istanbul"};
    int refreshes = 0;
    int maintenanceRuns = 0;
};

} // namespace vesperline
