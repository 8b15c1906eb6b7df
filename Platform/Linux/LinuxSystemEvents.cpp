#include "Platform/Linux/LinuxSystemEvents.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <xcb/screensaver.h>

#include <unistd.h>

namespace vesperline::platform {

namespace {

const QString logindService = QStringLiteral("org.freedesktop.login1");
const QString logindPath = QStringLiteral("/org/freedesktop/login1");
const QString logindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString logindSession = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
constexpr int timeoutMilliseconds = 2000;

std::optional<bool> sessionProperty(const QString& sessionPath, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(logindService, sessionPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << logindSession << name;
    const QDBusMessage reply = QDBusConnection::systemBus().call(get, QDBus::Block, timeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.userType() != QMetaType::Bool) {
        return std::nullopt;
    }
    return value.toBool();
}

} // namespace

LinuxSystemEvents::LinuxSystemEvents(QObject* parent) : QObject(parent) {}

LinuxSystemEvents::~LinuxSystemEvents() = default;

std::vector<std::string> LinuxSystemEvents::start(std::function<void(SystemEvent)> handler) {
    handler_ = std::move(handler);
    std::vector<std::string> missing;
    for (auto watch : {&LinuxSystemEvents::watchLogind, &LinuxSystemEvents::watchScreenSaver,
                       &LinuxSystemEvents::watchScreens}) {
        if (auto line = (this->*watch)()) {
            missing.push_back(std::move(*line));
        }
    }
    return missing;
}

std::optional<std::string> LinuxSystemEvents::watchLogind() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return "System events: no system bus, so no sleep, wake, lock or session events";
    }
    bus.connect(logindService, logindPath, logindManager, QStringLiteral("PrepareForSleep"), this,
                SLOT(prepareForSleep(bool)));
    QDBusMessage find = QDBusMessage::createMethodCall(logindService, logindPath, logindManager,
                                                       QStringLiteral("GetSessionByPID"));
    find << static_cast<std::uint32_t>(::getpid());
    const QDBusMessage reply = bus.call(find, QDBus::Block, timeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return "System events: no login session (" + reply.errorMessage().toStdString() +
               "), so no lock or session events";
    }
    const QString session = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    locked_ = sessionProperty(session, QStringLiteral("LockedHint"));
    active_ = sessionProperty(session, QStringLiteral("Active"));
    bus.connect(logindService, session, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    return std::nullopt;
}

std::optional<std::string> LinuxSystemEvents::watchScreenSaver() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return "System events: no session bus, so no screen saver events";
    }
    // Desktops publish the interface on either path.
    for (const QString& path :
         {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        bus.connect(screenSaverService, path, screenSaverService, QStringLiteral("ActiveChanged"), this,
                    SLOT(screenSaverActiveChanged(bool)));
    }
    if (!bus.interface()->isServiceRegistered(screenSaverService)) {
        return "System events: no screen saver service yet, so no screen saver events until one starts";
    }
    return std::nullopt;
}

std::optional<std::string> LinuxSystemEvents::watchScreens() {
    screens_ =
        new X11EventWatcher([this](const X11EventWatcher::Events& events) { screensChanged(events); }, this);
    X11Connection* x11 = screens_->x11();
    const xcb_query_extension_reply_t* extension =
        x11 ? xcb_get_extension_data(x11->connection(), &xcb_screensaver_id) : nullptr;
    if (!extension || !extension->present) {
        return "System events: no X screen saver extension, so no display sleep events";
    }
    screenSaverFirstEvent_ = extension->first_event;
    xcb_screensaver_select_input(x11->connection(), x11->root(), XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
    xcb_flush(x11->connection());
    return std::nullopt;
}

void LinuxSystemEvents::screensChanged(const X11EventWatcher::Events& events) {
    for (const auto& event : events) {
        if ((event->response_type & ~0x80) != screenSaverFirstEvent_ + XCB_SCREENSAVER_NOTIFY) {
            continue;
        }
        const auto* notify = reinterpret_cast<const xcb_screensaver_notify_event_t*>(event.get());
        if (notify->state == XCB_SCREENSAVER_STATE_ON) {
            deliver(SystemEvent::screensSlept);
        } else if (notify->state == XCB_SCREENSAVER_STATE_OFF) {
            deliver(SystemEvent::screensWoke);
        }
    }
}

void LinuxSystemEvents::prepareForSleep(bool sleeping) {
    deliver(sleeping ? SystemEvent::willSleep : SystemEvent::didWake);
}

void LinuxSystemEvents::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                                 const QStringList&) {
    if (interface != logindSession) {
        return;
    }
    const auto follow = [&](const QString& name, std::optional<bool>& known, SystemEvent on,
                            SystemEvent off) {
        const auto value = changed.constFind(name);
        if (value == changed.constEnd() || value->userType() != QMetaType::Bool || known == value->toBool()) {
            return;
        }
        known = value->toBool();
        deliver(*known ? on : off);
    };
    follow(QStringLiteral("LockedHint"), locked_, SystemEvent::locked, SystemEvent::unlocked);
    follow(QStringLiteral("Active"), active_, SystemEvent::sessionActive, SystemEvent::sessionInactive);
}

void LinuxSystemEvents::screenSaverActiveChanged(bool active) {
    deliver(active ? SystemEvent::screensaverStarted : SystemEvent::screensaverStopped);
}

void LinuxSystemEvents::deliver(SystemEvent event) {
    if (handler_) {
        handler_(event);
    }
}

} // namespace vesperline::platform
