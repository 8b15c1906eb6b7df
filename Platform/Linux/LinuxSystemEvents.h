#pragma once

#include "Platform/Linux/X11EventWatcher.h"
#include "Platform/SystemEventSource.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace vesperline::platform {

// The session's events on Linux: sleep and wake from logind's PrepareForSleep; lock, unlock and
// session switches from the changes of our logind session's LockedHint and Active; the screen saver
// from org.freedesktop.ScreenSaver's ActiveChanged; display sleep from the X server blanking its
// screens (MIT-SCREEN-SAVER). Delivered on the thread that created the source.
class LinuxSystemEvents final : public QObject, public SystemEventSource {
    Q_OBJECT

  public:
    explicit LinuxSystemEvents(QObject* parent = nullptr);
    ~LinuxSystemEvents() override;

    std::vector<std::string> start(std::function<void(SystemEvent)> handler) override;

  private slots:
    void prepareForSleep(bool sleeping);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);
    void screenSaverActiveChanged(bool active);

  private:
    std::optional<std::string> watchLogind();
    std::optional<std::string> watchScreenSaver();
    std::optional<std::string> watchScreens();
    void screensChanged(const X11EventWatcher::Events& events);
    void deliver(SystemEvent event);

    std::function<void(SystemEvent)> handler_;
    // The session's state as last seen, so only real changes are reported.
    std::optional<bool> locked_;
    std::optional<bool> active_;
    X11EventWatcher* screens_ = nullptr;
    std::uint8_t screenSaverFirstEvent_ = 0;
};

} // namespace vesperline::platform
