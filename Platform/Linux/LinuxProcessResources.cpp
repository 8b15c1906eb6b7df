#include "Platform/Linux/LinuxProcessResources.h"

#include "Platform/Linux/SysfsAttribute.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

namespace vesperline::platform {

namespace fs = std::filesystem;

LinuxProcessResources::LinuxProcessResources() : LinuxProcessResources(Sources()) {}

LinuxProcessResources::LinuxProcessResources(Sources sources) : sources_(std::move(sources)) {
    if (const long ticks = ::sysconf(_SC_CLK_TCK); ticks > 0) {
        clockTicksPerSecond_ = static_cast<double>(ticks);
    }
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(sources_.sysfsRoot / "class" / "powercap", error)) {
        // Top-level zones ("intel-rapl:0", also on AMD processors) are whole packages; their
        // sub-zones ("intel-rapl:0:0") are parts of them and would count twice.
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("intel-rapl:") || std::count(name.begin(), name.end(), ':') != 1 ||
            !SysfsAttribute::text(entry.path() / "name").value_or("").starts_with("package")) {
            continue;
        }
        const auto range = SysfsAttribute::number(entry.path() / "max_energy_range_uj");
        if (range && *range > 0 && SysfsAttribute::number(entry.path() / "energy_uj")) {
            packages_.push_back({entry.path() / "energy_uj", *range, 0});
        }
    }
    if (!packages_.empty() && machineBusySeconds()) {
        method_ = EnergyMethod::measured;
    }
}

double LinuxProcessResources::cpuSeconds(const struct rusage& usage) {
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::optional<double> LinuxProcessResources::ownCPUSeconds() {
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) {
        return std::nullopt;
    }
    return cpuSeconds(usage);
}

std::optional<double> LinuxProcessResources::machineBusySeconds() const {
    const auto stat = SysfsAttribute::text(sources_.procRoot / "stat");
    if (!stat) {
        return std::nullopt;
    }
    std::istringstream line(stat->substr(0, stat->find('\n')));
    std::string label;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    line >> label >> user >> nice >> system >> idle >> iowait >> irq >> softirq;
    if (!line || label != "cpu") {
        return std::nullopt;
    }
    // Older kernels end the line before the stolen time.
    if (!(line >> steal)) {
        steal = 0;
    }
    return (user + nice + system + irq + softirq + steal) / clockTicksPerSecond_;
}

std::optional<LinuxProcessResources::Reading> LinuxProcessResources::readCounters() const {
    Reading reading;
    for (const Package& package : packages_) {
        const auto microjoules = SysfsAttribute::number(package.counter);
        if (!microjoules) {
            return std::nullopt;
        }
        reading.packageMicrojoules.push_back(*microjoules);
    }
    const auto busy = machineBusySeconds();
    if (!busy) {
        return std::nullopt;
    }
    reading.busySeconds = *busy;
    return reading;
}

std::optional<ResourceSample> LinuxProcessResources::sample() {
    const auto cpu = sources_.processCPUSeconds();
    if (!cpu) {
        return std::nullopt;
    }
    if (method_ == EnergyMethod::estimated) {
        return ResourceSample{*cpu, *cpu * nominalProcessorWatts};
    }
    // A failed read keeps the previous counts, so the next good sample covers the whole span.
    const auto reading = readCounters();
    if (!reading) {
        return std::nullopt;
    }
    if (lastCPUSeconds_) {
        double packageJoules = 0;
        for (std::size_t i = 0; i < packages_.size(); ++i) {
            const Package& package = packages_[i];
            double spent = reading->packageMicrojoules[i] - package.last;
            if (spent < 0) {
                spent += package.range; // the counter wrapped
            }
            packageJoules += std::max(spent, 0.0) / 1e6;
        }
        const double own = *cpu - *lastCPUSeconds_;
        const double busy = reading->busySeconds - lastBusySeconds_;
        // The machine's count moves in clock ticks, so over a short span ours can exceed it.
        const double share = busy > 0 ? std::clamp(own / busy, 0.0, 1.0) : (own > 0 ? 1.0 : 0.0);
        energyJoules_ += packageJoules * share;
    }
    for (std::size_t i = 0; i < packages_.size(); ++i) {
        packages_[i].last = reading->packageMicrojoules[i];
    }
    lastCPUSeconds_ = *cpu;
    lastBusySeconds_ = reading->busySeconds;
    return ResourceSample{*cpu, energyJoules_};
}

} // namespace vesperline::platform
