#pragma once

#include <optional>

namespace vesperline::platform {

// What this process has cost so far, both counts growing from some start; only their differences
// between two samples mean anything.
struct ResourceSample {
    double cpuSeconds = 0;   // processor time, user and system
    double energyJoules = 0; // energy spent on the process's behalf

    bool operator==(const ResourceSample&) const = default;
};

// How the energy of a sample is found.
enum class EnergyMethod {
    // The processor package's own energy counter, shared out by the process's part of the busy time.
    measured,
    // Processor time at `nominalProcessorWatts`, where no energy counter can be read.
    estimated,
};

// The power an estimate counts for each second of processor time: about what a busy laptop processor
// core draws. The screens state it as the estimate's basis.
inline constexpr double nominalProcessorWatts = 10;

// Reads the processor time and energy of this process.
class ProcessResources {
  public:
    virtual ~ProcessResources() = default;

    // The counts now; none when they cannot be read. One caller at a time.
    virtual std::optional<ResourceSample> sample() = 0;
    // How `ResourceSample::energyJoules` is found; the same for the object's whole life. Any thread.
    virtual EnergyMethod energyMethod() const = 0;
};

} // namespace vesperline::platform
