#include "Platform/Linux/LinuxProcessResources.h"
#include "SysfsTree.h"

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace vesperline::platform;

namespace {

TEST(LinuxProcessResourcesTest, ProcessorTimeIsUserAndSystemTime) {
    struct Case {
        timeval user;
        timeval system;
        double seconds;
    };
    for (const Case& c :
         std::vector<Case>{{{0, 0}, {0, 0}, 0}, {{1, 200000}, {0, 300000}, 1.5}, {{0, 999999}, {2, 1}, 3}}) {
        struct rusage usage {};
        usage.ru_utime = c.user;
        usage.ru_stime = c.system;
        EXPECT_DOUBLE_EQ(LinuxProcessResources::cpuSeconds(usage), c.seconds);
    }
    const auto own = LinuxProcessResources::ownCPUSeconds();
    ASSERT_TRUE(own);
    EXPECT_GT(*own, 0) << "this test has run for a while";
    EXPECT_TRUE(LinuxProcessResources().sample());
}

class RAPLTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
        sysfs.set("class/powercap/intel-rapl:0",
                  {{"name", "package-0"}, {"energy_uj", "1000000"}, {"max_energy_range_uj", "262143328850"}});
        // A part of the package: counted in the package already.
        sysfs.set("class/powercap/intel-rapl:0:0",
                  {{"name", "core"}, {"energy_uj", "500000"}, {"max_energy_range_uj", "262143328850"}});
        setBusySeconds(0);
    }
    // The machine's busy time: user and system ticks, with idle and wait time that must not count.
    void setBusySeconds(double seconds) {
        const long long busy = std::llround(seconds * ticks);
        sysfs.set("proc",
                  {{"stat", "cpu  " + std::to_string(busy - busy / 4) + " 0 " + std::to_string(busy / 4) +
                                " 987654 1234 0 0 0 0 0\ncpu0 1 2 3 4 5 6 7 8 9 10"}});
    }
    void setPackageMicrojoules(double value) {
        sysfs.set("class/powercap/intel-rapl:0", {{"energy_uj", std::to_string(std::llround(value))}});
    }
    LinuxProcessResources make() {
        return LinuxProcessResources({sysfs.root(), sysfs.root() / "proc", [this] { return ownSeconds; }});
    }

    testsupport::SysfsTree sysfs;
    double ticks = 100;
    std::optional<double> ownSeconds = 5;
};

TEST_F(RAPLTest, PackageEnergySharedOutByTheProcessPartOfBusyTime) {
    LinuxProcessResources resources = make();
    EXPECT_EQ(resources.energyMethod(), EnergyMethod::measured);
    EXPECT_EQ(resources.sample(), (ResourceSample{5, 0}));

    // 60 J spent by the package while the machine was busy 4 s, 1 s of it ours: a quarter is ours.
    setPackageMicrojoules(61e6);
    setBusySeconds(4);
    ownSeconds = 6;
    EXPECT_EQ(resources.sample(), (ResourceSample{6, 15}));

    // The counter wraps: from 61 J to 20 J over a range of 262143.32885 J.
    setPackageMicrojoules(20e6);
    setBusySeconds(6);
    ownSeconds = 8;
    const auto wrapped = resources.sample();
    ASSERT_TRUE(wrapped);
    EXPECT_NEAR(wrapped->energyJoules, 15 + (262143.32885 - 61 + 20), 1e-6);
}

TEST_F(RAPLTest, AFailedReadIsCoveredByTheNextGoodOne) {
    LinuxProcessResources resources = make();
    ASSERT_TRUE(resources.sample());
    sysfs.remove("class/powercap/intel-rapl:0/energy_uj");
    ownSeconds = 6;
    EXPECT_FALSE(resources.sample());
    setPackageMicrojoules(11e6);
    setBusySeconds(2);
    ownSeconds = 7;
    EXPECT_EQ(resources.sample(), (ResourceSample{7, 10}))
        << "10 J over the whole span, all of the busy time ours";

    ownSeconds = std::nullopt;
    EXPECT_FALSE(resources.sample());
}

TEST_F(RAPLTest, WithoutReadableCountersEnergyIsEstimatedFromProcessorTime) {
    sysfs.remove("class/powercap/intel-rapl:0/energy_uj");
    LinuxProcessResources resources = make();
    EXPECT_EQ(resources.energyMethod(), EnergyMethod::estimated);
    EXPECT_EQ(resources.sample(), (ResourceSample{5, 5 * nominalProcessorWatts}));
}

} // namespace
