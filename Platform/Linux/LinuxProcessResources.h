#pragma once

#include "Platform/ProcessResources.h"

#include <filesystem>
#include <functional>
#include <vector>

struct rusage;

namespace vesperline::platform {

// This process's processor time from getrusage. Its energy, where the processor package's energy
// counters (RAPL, under powercap) can be read: the package energy spent between two samples times
// the process's part of the machine's busy processor time in that span. Elsewhere (most machines
// let only the administrator read the counters): processor time at `nominalProcessorWatts`.
class LinuxProcessResources final : public ProcessResources {
  public:
    struct Sources {
        std::filesystem::path sysfsRoot = "/sys";
        std::filesystem::path procRoot = "/proc";
        // This process's processor time; none when it cannot be read.
        std::function<std::optional<double>()> processCPUSeconds = ownCPUSeconds;
    };

    // Decides once, here, whether energy is measured or estimated.
    LinuxProcessResources();
    explicit LinuxProcessResources(Sources sources);

    std::optional<ResourceSample> sample() override;
    EnergyMethod energyMethod() const override { return method_; }

    // User and system time of this process.
    static std::optional<double> ownCPUSeconds();
    static double cpuSeconds(const struct rusage& usage);

  private:
    struct Package {
        std::filesystem::path counter; // energy_uj
        double range = 0;              // where the counter wraps to 0, in microjoules
        double last = 0;
    };
    struct Reading {
        std::vector<double> packageMicrojoules;
        double busySeconds = 0;
    };

    std::optional<Reading> readCounters() const;
    // The machine's busy processor time (all processors) from the first line of /proc/stat.
    std::optional<double> machineBusySeconds() const;

    Sources sources_;
    EnergyMethod method_ = EnergyMethod::estimated;
    std::vector<Package> packages_;
    double clockTicksPerSecond_ = 100;
    // The previous successful sample's counts, and the energy shared out to the process so far.
    std::optional<double> lastCPUSeconds_;
    double lastBusySeconds_ = 0;
    double energyJoules_ = 0;
};

} // namespace vesperline::platform
