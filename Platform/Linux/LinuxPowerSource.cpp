#include "Platform/Linux/LinuxPowerSource.h"

#include "Platform/Linux/SysfsAttribute.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <algorithm>
#include <array>
#include <numeric>

namespace vesperline::platform {

namespace fs = std::filesystem;
using SysfsAttribute::number;
using SysfsAttribute::text;

namespace {

const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// power-profiles-daemon answers under its newer name, its older one, or both.
struct ProfilesDaemon {
    QString service;
    QString path;
};
const std::array<ProfilesDaemon, 2> profilesDaemons = {{
    {QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
     QStringLiteral("/org/freedesktop/UPower/PowerProfiles")},
    {QStringLiteral("net.hadess.PowerProfiles"), QStringLiteral("/net/hadess/PowerProfiles")},
}};
// UPower tells when the machine switches between battery and external power.
const QString upowerService = QStringLiteral("org.freedesktop.UPower");
const QString upowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString activeProfile = QStringLiteral("ActiveProfile");
const QString powerSaver = QStringLiteral("power-saver");
constexpr int timeoutMilliseconds = 2000;

// The entries of a kernel class folder ("power_supply", "thermal"), sorted by name.
std::vector<fs::path> classEntries(const fs::path& sysfsRoot, const char* className) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysfsRoot / "class" / className, error)) {
        entries.push_back(entry.path());
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Batteries of mice, keyboards and pens have the scope "Device"; the machine's have none or "System".
bool isPeripheral(const fs::path& supply) {
    return text(supply / "scope") == "Device";
}

std::optional<double> positive(std::optional<double> value) {
    return value && *value > 0 ? value : std::nullopt;
}

// The battery's charge as a fraction: its capacity in percent, else energy or charge now over full.
std::optional<double> chargeFraction(const fs::path& battery) {
    if (const auto capacity = number(battery / "capacity")) {
        return *capacity / 100;
    }
    for (const auto& [now, full] :
         {std::pair{"energy_now", "energy_full"}, std::pair{"charge_now", "charge_full"}}) {
        const auto current = number(battery / now);
        const auto maximum = positive(number(battery / full));
        if (current && maximum) {
            return *current / *maximum;
        }
    }
    return std::nullopt;
}

// Full-charge energy in watt-hours: the energy the battery holds when full today, else its charge at
// its voltage, else the same from the design values. The kernel counts in micro-units.
std::optional<double> fullChargeWattHours(const fs::path& battery) {
    auto voltage = positive(number(battery / "voltage_min_design"));
    if (!voltage) {
        voltage = positive(number(battery / "voltage_now"));
    }
    for (const auto& [energy, charge] :
         {std::pair{"energy_full", "charge_full"}, std::pair{"energy_full_design", "charge_full_design"}}) {
        if (const auto microWattHours = positive(number(battery / energy))) {
            return *microWattHours / 1e6;
        }
        const auto microAmpHours = positive(number(battery / charge));
        if (microAmpHours && voltage) {
            return *microAmpHours * *voltage / 1e12;
        }
    }
    return std::nullopt;
}

int tripLevel(const std::string& type) {
    if (type == "critical" || type == "hot") {
        return 3;
    }
    if (type == "passive") {
        return 2;
    }
    return type == "active" ? 1 : 0;
}

} // namespace

LinuxPowerSource::LinuxPowerSource(fs::path sysfsRoot, QDBusConnection bus, QObject* parent)
    : QObject(parent), sysfsRoot_(std::move(sysfsRoot)), bus_(std::move(bus)) {
    if (!bus_.isConnected()) {
        return;
    }
    const QString signal = QStringLiteral("PropertiesChanged");
    const char* slot = SLOT(propertiesChanged(QString, QVariantMap, QStringList));
    for (const ProfilesDaemon& daemon : profilesDaemons) {
        bus_.connect(daemon.service, daemon.path, propertiesInterface, signal, this, slot);
    }
    bus_.connect(upowerService, upowerPath, propertiesInterface, signal, this, slot);
    askProfiles();
}

LinuxPowerSource::~LinuxPowerSource() = default;

void LinuxPowerSource::watch(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void LinuxPowerSource::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList&) {
    // The profiles daemons name their interface as their service.
    if (const auto profile = changed.constFind(activeProfile); profile != changed.constEnd()) {
        profileKnown(interface, profile->toString());
    }
    if (handler_) {
        handler_();
    }
}

ostrel::PowerSnapshot LinuxPowerSource::read() {
    ostrel::PowerSnapshot snapshot;
    readSupplies(snapshot);
    snapshot.lowPowerMode = std::any_of(profiles_.begin(), profiles_.end(),
                                        [](const auto& known) { return known.second == powerSaver; });
    snapshot.thermalLevel = thermalLevel();
    // A daemon started or stopped since, or a signal missed, shows in the answers.
    askProfiles();
    return snapshot;
}

std::vector<fs::path> LinuxPowerSource::batteries() const {
    std::vector<fs::path> found;
    for (const fs::path& supply : classEntries(sysfsRoot_, "power_supply")) {
        if (text(supply / "type") == "Battery" && !isPeripheral(supply) && text(supply / "present") != "0") {
            found.push_back(supply);
        }
    }
    return found;
}

void LinuxPowerSource::readSupplies(ostrel::PowerSnapshot& snapshot) const {
    bool externalPower = false;
    for (const fs::path& supply : classEntries(sysfsRoot_, "power_supply")) {
        const auto type = text(supply / "type");
        // A UPS feeds the machine from outside but may itself run on its battery: it tells nothing.
        if (type && type != "Battery" && type != "UPS" && !isPeripheral(supply) &&
            number(supply / "online").value_or(0) > 0) {
            externalPower = true;
        }
    }
    bool discharging = false;
    std::vector<double> fractions;
    double energyNow = 0;
    double energyFull = 0;
    bool allReportEnergy = true;
    for (const fs::path& battery : batteries()) {
        discharging = discharging || text(battery / "status") == "Discharging";
        const auto fraction = chargeFraction(battery);
        if (!fraction) {
            continue;
        }
        fractions.push_back(*fraction);
        const auto now = number(battery / "energy_now");
        const auto full = positive(number(battery / "energy_full"));
        allReportEnergy = allReportEnergy && now && full;
        energyNow += now.value_or(0);
        energyFull += full.value_or(0);
    }
    snapshot.onBattery = !externalPower && discharging;
    if (fractions.size() == 1) {
        snapshot.batteryLevel = fractions.front();
    } else if (!fractions.empty()) {
        // Several batteries (some laptops have two) drain one after the other: what counts is the
        // charge of all of them together.
        snapshot.batteryLevel = allReportEnergy ? energyNow / energyFull
                                                : std::accumulate(fractions.begin(), fractions.end(), 0.0) /
                                                      static_cast<double>(fractions.size());
    }
}

int LinuxPowerSource::thermalLevel() const {
    int level = 0;
    for (const fs::path& zone : classEntries(sysfsRoot_, "thermal")) {
        if (!zone.filename().string().starts_with("thermal_zone") || text(zone / "mode") == "disabled") {
            continue;
        }
        const auto temperature = number(zone / "temp");
        if (!temperature) {
            continue;
        }
        for (int trip = 0;; ++trip) {
            const std::string prefix = "trip_point_" + std::to_string(trip);
            const auto type = text(zone / (prefix + "_type"));
            if (!type) {
                break;
            }
            // Zones without a real trip report 0 or a negative placeholder.
            const auto threshold = positive(number(zone / (prefix + "_temp")));
            if (threshold && *temperature >= *threshold) {
                level = std::max(level, tripLevel(*type));
            }
        }
    }
    return level;
}

void LinuxPowerSource::askProfiles() {
    if (!bus_.isConnected()) {
        return;
    }
    for (const ProfilesDaemon& daemon : profilesDaemons) {
        QDBusMessage get = QDBusMessage::createMethodCall(daemon.service, daemon.path, propertiesInterface,
                                                          QStringLiteral("Get"));
        get << daemon.service << activeProfile;
        // Asking must not start a daemon the user does not run.
        get.setAutoStartService(false);
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeoutMilliseconds), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, service = daemon.service](QDBusPendingCallWatcher* call) {
                    const QDBusPendingReply<QDBusVariant> reply = *call;
                    // A daemon that is not there (or no longer) has no profile.
                    profileKnown(service, reply.isValid() ? reply.value().variant().toString() : QString());
                    call->deleteLater();
                });
    }
}

void LinuxPowerSource::profileKnown(const QString& daemon, const QString& profile) {
    QString& known = profiles_[daemon];
    if (known == profile) {
        return;
    }
    known = profile;
    if (handler_) {
        handler_();
    }
}

std::optional<double> LinuxPowerSource::batteryCapacityWattHours() const {
    std::optional<double> total;
    for (const fs::path& battery : batteries()) {
        if (const auto wattHours = fullChargeWattHours(battery)) {
            total = total.value_or(0) + *wattHours;
        }
    }
    return total;
}

} // namespace vesperline::platform
