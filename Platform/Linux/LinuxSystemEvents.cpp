#include "Platform/Linux/LinuxSystemEvents.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
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

QDBusMessage sessionPropertyRequest(const QString& sessionPath, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(logindService, sessionPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << logindSession << name;
    return get;
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

} // namespace

LinuxSystemEvents::LinuxSystemEvents(QObject* parent) : QObject(parent) {}

LinuxSystemEvents::~LinuxSystemEvents() = default;

void LinuxSystemEvents::start(std::function<void(SystemEvent)> handler, Unavailable unavailable) {
    handler_ = std::move(handler);
    unavailable_ = unavailable ? std::move(unavailable) : [](const std::string&) {};
    watchLogind();
    watchScreenSaver();
    watchScreens();
}

void LinuxSystemEvents::whenAnswered(const QDBusPendingCall& call,
                                     std::function<void(const QDBusMessage&)> answered) {
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [answered = std::move(answered)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                answered(finished->reply());
            });
}

void LinuxSystemEvents::watchLogind() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        unavailable_("System events: no system bus, so no sleep, wake, lock or session events");
        return;
    }
    bus.connect(logindService, logindPath, logindManager, QStringLiteral("PrepareForSleep"), this,
                SLOT(prepareForSleep(bool)));
    QDBusMessage find = QDBusMessage::createMethodCall(logindService, logindPath, logindManager,
                                                       QStringLiteral("GetSessionByPID"));
    find << static_cast<std::uint32_t>(::getpid());
    whenAnswered(bus.asyncCall(find, timeoutMilliseconds), [this](const QDBusMessage& reply) {
        if (!answered(reply)) {
            unavailable_("System events: no login session (" + reply.errorMessage().toStdString() +
                         "), so no lock or session events");
            return;
        }
        watchSession(reply.arguments().constFirst().value<QDBusObjectPath>().path());
    });
}

void LinuxSystemEvents::watchSession(const QString& sessionPath) {
    QDBusConnection::systemBus().connect(logindService, sessionPath, propertiesInterface,
                                         QStringLiteral("PropertiesChanged"), this,
                                         SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    readSessionProperty(sessionPath, QStringLiteral("LockedHint"), &LinuxSystemEvents::locked_);
    readSessionProperty(sessionPath, QStringLiteral("Active"), &LinuxSystemEvents::active_);
}

void LinuxSystemEvents::readSessionProperty(const QString& sessionPath, const QString& name,
                                            std::optional<bool> LinuxSystemEvents::*known) {
    const QDBusPendingCall get = QDBusConnection::systemBus().asyncCall(
        sessionPropertyRequest(sessionPath, name), timeoutMilliseconds);
    whenAnswered(get, [this, known](const QDBusMessage& reply) {
        if (!answered(reply) || (this->*known).has_value()) {
            return;
        }
        const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
        if (value.userType() == QMetaType::Bool) {
            this->*known = value.toBool();
        }
    });
}

void LinuxSystemEvents::watchScreenSaver() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        unavailable_("System events: no session bus, so no screen saver events");
        return;
    }
    // Desktops publish the interface on either path.
    for (const QString& path :
         {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
        bus.connect(screenSaverService, path, screenSaverService, QStringLiteral("ActiveChanged"), this,
                    SLOT(screenSaverActiveChanged(bool)));
    }
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << screenSaverService;
    whenAnswered(bus.asyncCall(hasOwner, timeoutMilliseconds), [this](const QDBusMessage& reply) {
        if (!answered(reply) || !reply.arguments().constFirst().toBool()) {
            unavailable_(
                "System events: no screen saver service yet, so no screen saver events until one starts");
        }
    });
}

void LinuxSystemEvents::watchScreens() {
    screens_ =
        new X11EventWatcher([this](const X11EventWatcher::Events& events) { screensChanged(events); }, this);
    X11Connection* x11 = screens_->x11();
    const xcb_query_extension_reply_t* extension =
        x11 ? xcb_get_extension_data(x11->connection(), &xcb_screensaver_id) : nullptr;
    if (!extension || !extension->present) {
        unavailable_("System events: no X screen saver extension, so no display sleep events");
        return;
    }
    screenSaverFirstEvent_ = extension->first_event;
    xcb_screensaver_select_input(x11->connection(), x11->root(), XCB_SCREENSAVER_EVENT_NOTIFY_MASK);
    xcb_flush(x11->connection());
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
