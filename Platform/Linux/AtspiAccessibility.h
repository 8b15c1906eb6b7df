#pragma once

#include "Platform/Accessibility.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <map>
#include <mutex>

namespace vesperline::platform {

// Other applications' accessibility trees over AT-SPI2, spoken directly on the accessibility bus
// with Qt D-Bus: every call has the 0.3 s time-out, calls can be made from any thread, and the reads of
// one node are sent together so they cost one round trip. The keyboard focus is followed from the
// applications' focus events (AT-SPI has no call that asks for it), so it is known from the first
// focus change after creation; the events arrive on the thread that created the object.
//
// Creating it never waits: the accessibility bus is looked up asynchronously (the session may need
// seconds to start it), and until it is connected nothing is trusted and every read is absent.
// Trusted also needs accessibility switched on in the session (org.a11y.Status: IsEnabled or
// ScreenReaderEnabled), as most applications offer their trees only then; the switch is followed
// as the user changes it.
class AtspiAccessibility final : public QObject, public Accessibility {
    Q_OBJECT

  public:
    // Starts looking for the accessibility bus ($AT_SPI_BUS_ADDRESS, else org.a11y.Bus on the session
    // bus); without one, nothing is trusted and every read is absent.
    explicit AtspiAccessibility(QObject* parent = nullptr);
    ~AtspiAccessibility() override;

    bool isTrusted() override;
    // Switches the session's accessibility on (org.a11y.Status IsEnabled), so that applications
    // offer their trees; the change comes back through the switch this object follows.
    void requestTrust() override;
    // The same, when the switch is off; it is then switched off again when this object goes.
    void keepSwitchedOn() override;
    std::optional<std::vector<AccessibleElement>> windows(std::int32_t pid) override;
    std::optional<AccessibleElement> focusedWindow(std::int32_t pid) override;
    std::optional<AccessibleElement> mainWindow(std::int32_t pid) override;
    std::optional<AccessibleElement> focusedElement() override;
    std::optional<AccessibleNode> node(const AccessibleElement& element) override;
    std::optional<AccessibleLabels> labels(const AccessibleElement& element) override;
    std::optional<AccessibleRole> role(const AccessibleElement& element) override;
    std::optional<std::string> title(const AccessibleElement& element) override;
    std::optional<std::string> value(const AccessibleElement& element) override;
    std::optional<ostrel::Rect> frame(const AccessibleElement& element) override;
    std::optional<std::vector<AccessibleElement>> children(const AccessibleElement& element) override;
    std::optional<std::vector<AccessibleElement>> visibleChildren(const AccessibleElement& element) override;
    std::optional<long long> characterCount(const AccessibleElement& element) override;
    std::optional<TextRange> visibleCharacterRange(const AccessibleElement& element) override;
    std::optional<std::string> stringForRange(const AccessibleElement& element, TextRange range) override;
    std::optional<std::string> documentAddress(const AccessibleElement& element) override;
    std::optional<bool> isShowing(const AccessibleElement& element) override;
    std::optional<std::int32_t> processID(const AccessibleElement& element) override;

  private slots:
    void stateChanged(const QDBusMessage& message);
    void statusChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

  private:
    // Sets the session's accessibility switch.
    static QDBusMessage statusSetting(bool enabled);
    void switchOn();
    // Reads the session's accessibility switch, once now and whenever it changes.
    void followStatus();
    void readStatus();
    // Connects to the accessibility bus at `address` and asks for focus events.
    void connectTo(const QString& address);
    // The connection to the accessibility bus; not connected until the bus is found.
    QDBusConnection bus() const;
    std::optional<AccessibleElement> application(std::int32_t pid);
    // The first of the application's windows whose state has `state` set.
    std::optional<AccessibleElement> windowWithState(std::int32_t pid, int state);

    mutable std::mutex mutex_;
    QDBusConnection bus_; // guarded by `mutex_`: set once, when the bus is found
    // Bus names of applications are never reused while the bus runs, so their pids can be kept while
    // the application is there.
    std::map<QString, std::int32_t> pidsByBus_;
    std::optional<AccessibleElement> focused_;
    std::atomic<bool> enabled_ = false;
    // Main thread only: whether we hold the switch on, and whether it was off when we came.
    bool keepingOn_ = false;
    bool switchedOn_ = false;
};

} // namespace vesperline::platform
