#pragma once

#include "Platform/Linux/X11EventWatcher.h"
#include "Platform/SystemEventSource.h"

#include <QDBusPendingCall>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace vesperline::platform {

// The session's events on Linux: sleep and wake from logind's PrepareForSleep; lock, unlock and
// session switches from the changes of our logind session's LockedHint and Active; the screen saver
// from org.freedesktop.ScreenSaver's ActiveChanged; display sleep from the X server blanking its
// screens (MIT-SCREEN-SAVER). Delivered on the thread that created the source. Every call to a
// service is asynchronous, so starting never waits for logind or the session.
class LinuxSystemEvents final : public QObject, public SystemEventSource {
    Q_OBJECT

  public:
    explicit LinuxSystemEvents(QObject* parent = nullptr);
    ~LinuxSystemEvents() override;

    void start(std::function<void(SystemEvent)> handler, Unavailable unavailable) override;

  private slots:
    void prepareForSleep(bool sleeping);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);
    void screenSaverActiveChanged(bool active);

  private:
    void watchLogind();
    void watchSession(const QString& sessionPath);
    // Reads a truth-valued property of our session once, unless a change has told it already.
    void readSessionProperty(const QString& sessionPath, const QString& name,
                             std::optional<bool> LinuxSystemEvents::*known);
    void watchScreenSaver();
    void watchScreens();
    // Calls `answered` with the reply of `call` on this object's thread, unless it is gone by then.
    void whenAnswered(const QDBusPendingCall& call, std::function<void(const QDBusMessage&)> answered);
    void screensChanged(const X11EventWatcher::Events& events);
    void deliver(SystemEvent event);

    std::function<void(SystemEvent)> handler_;
    Unavailable unavailable_;
    // The session's state as last seen, so only real changes are reported.
    std::optional<bool> locked_;
    std::optional<bool> active_;
    X11EventWatcher* screens_ = nullptr;
    std::uint8_t screenSaverFirstEvent_ = 0;
};

} // namespace vesperline::platform
