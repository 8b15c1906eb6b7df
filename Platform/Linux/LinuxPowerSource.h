#pragma once

#include "Platform/PowerSource.h"

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <filesystem>
#include <map>

namespace vesperline::platform {

// The power state on Linux:
// - on battery when no external supply (mains, USB, wireless) of the kernel's power_supply class is
//   online and a battery of the machine (not of a mouse or keyboard) discharges;
// - the charge of the machine's batteries from their capacity, else their energy or charge now over
//   full;
// - power saving when power-profiles-daemon's active profile is "power-saver";
// - the temperature from the thermal zones' trip points: at or over an active trip (fans) 1, a
//   passive trip (the kernel throttles) 2, a hot or critical trip 3.
// Change notices come from power-profiles-daemon's and UPower's property signals; the kernel files
// send none, so the owner also polls. Nothing waits on D-Bus: the active profile is kept from the
// daemon's signals and from questions asked without waiting on every read, whose answers notify
// when they change it. Use it on the thread that created it.
class LinuxPowerSource final : public QObject, public PowerSource {
    Q_OBJECT

  public:
    // `sysfsRoot` is where the kernel's "class" folder lies ("/sys"); `bus` is where the power
    // daemons are asked (the system bus).
    explicit LinuxPowerSource(std::filesystem::path sysfsRoot = "/sys",
                              QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~LinuxPowerSource() override;

    ostrel::PowerSnapshot read() override;
    void watch(std::function<void()> handler) override;
    std::optional<double> batteryCapacityWattHours() const override;

  private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

  private:
    void readSupplies(ostrel::PowerSnapshot& snapshot) const;
    int thermalLevel() const;
    std::vector<std::filesystem::path> batteries() const;
    // Asks each profiles daemon for its active profile; the answers arrive later.
    void askProfiles();
    void profileKnown(const QString& daemon, const QString& profile);

    std::filesystem::path sysfsRoot_;
    QDBusConnection bus_;
    std::function<void()> handler_;
    // The active profile by daemon name; empty when the daemon does not answer.
    std::map<QString, QString> profiles_;
};

} // namespace vesperline::platform
