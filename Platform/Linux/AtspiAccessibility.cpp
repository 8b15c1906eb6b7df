#include "Platform/Linux/AtspiAccessibility.h"

#include "Platform/Linux/AtspiRoles.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <atspi/atspi-constants.h>

#include <algorithm>
#include <atomic>

namespace vesperline::platform {

namespace {

const QString registryBus = QStringLiteral("org.a11y.atspi.Registry");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString componentInterface = QStringLiteral("org.a11y.atspi.Component");
const QString textInterface = QStringLiteral("org.a11y.atspi.Text");
const QString documentInterface = QStringLiteral("org.a11y.atspi.Document");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// No single request may block longer than this.
constexpr int timeoutMilliseconds = 300;

std::atomic<int> connectionCount{0};

// The session may start the accessibility bus on demand, which can take a while.
constexpr int busLookupMilliseconds = 5000;

std::string toStd(const QString& text) {
    return text.toStdString();
}

// A reply that arrived in time and is not an error.
std::optional<QDBusMessage> replyOf(QDBusPendingCall& call) {
    call.waitForFinished();
    QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply;
}

// The first argument as a plain value; a property's value arrives wrapped in a variant.
QVariant firstArgument(const QDBusMessage& reply) {
    QVariant value = reply.arguments().constFirst();
    if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

std::optional<QString> stringOf(QDBusPendingCall& call) {
    const auto reply = replyOf(call);
    if (!reply) {
        return std::nullopt;
    }
    const QVariant value = firstArgument(*reply);
    if (value.userType() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<long long> integerOf(QDBusPendingCall& call) {
    const auto reply = replyOf(call);
    if (!reply) {
        return std::nullopt;
    }
    const QVariant value = firstArgument(*reply);
    bool ok = false;
    const long long number = value.toLongLong(&ok);
    if (!ok || value.userType() == QMetaType::QString) {
        return std::nullopt;
    }
    return number;
}

// The reply's structured first value when it has the given D-Bus signature, or absent.
std::optional<QDBusArgument> structuredReply(QDBusPendingCall& call, QLatin1String signature) {
    const auto reply = replyOf(call);
    if (!reply) {
        return std::nullopt;
    }
    const QVariant value = firstArgument(*reply);
    if (value.userType() != qMetaTypeId<QDBusArgument>()) {
        return std::nullopt;
    }
    QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != signature) {
        return std::nullopt;
    }
    return argument;
}

std::optional<ostrel::Rect> extentsOf(QDBusPendingCall& call) {
    const auto structured = structuredReply(call, QLatin1String("(iiii)"));
    if (!structured) {
        return std::nullopt;
    }
    const QDBusArgument& argument = *structured;
    int x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return ostrel::Rect{double(x), double(y), double(width), double(height)};
}

std::optional<std::vector<AccessibleElement>> elementsOf(QDBusPendingCall& call, const QString& ownBus) {
    const auto structured = structuredReply(call, QLatin1String("a(so)"));
    if (!structured) {
        return std::nullopt;
    }
    const QDBusArgument& argument = *structured;
    std::vector<AccessibleElement> elements;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString bus;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> bus >> path;
        argument.endStructure();
        // A reference without a bus name points into the same application.
        elements.push_back({toStd(bus.isEmpty() ? ownBus : bus), toStd(path.path())});
    }
    argument.endArray();
    return elements;
}

// The state bits of a node (two 32-bit words), or absent.
std::optional<std::uint64_t> statesOf(QDBusPendingCall& call) {
    const auto structured = structuredReply(call, QLatin1String("au"));
    if (!structured) {
        return std::nullopt;
    }
    const QDBusArgument& argument = *structured;
    std::vector<std::uint32_t> words;
    argument.beginArray();
    while (!argument.atEnd()) {
        std::uint32_t word = 0;
        argument >> word;
        words.push_back(word);
    }
    argument.endArray();
    if (words.size() < 2) {
        return std::nullopt;
    }
    return std::uint64_t(words[0]) | (std::uint64_t(words[1]) << 32);
}

// A node's text holds this character where a child node (a link, an image) sits; the child's own
// text is read from the child.
constexpr QChar embeddedObject(0xFFFC);

std::string withoutEmbeddedObjects(QString text) {
    return toStd(text.remove(embeddedObject));
}

std::optional<std::string> nonEmptyStd(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) {
        return std::nullopt;
    }
    return toStd(*text);
}

} // namespace

AtspiAccessibility::AtspiAccessibility(QObject* parent) : QObject(parent), bus_(QString()) {
    const QByteArray fromEnvironment = qgetenv("AT_SPI_BUS_ADDRESS");
    if (!fromEnvironment.isEmpty()) {
        // A bus named outright is meant to be used: there may be no session switch beside it.
        enabled_ = true;
        connectTo(QString::fromUtf8(fromEnvironment));
        return;
    }
    followStatus();
    QDBusMessage request =
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    auto* lookup = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(request, busLookupMilliseconds), this);
    connect(lookup, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusMessage reply = answer->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            connectTo(reply.arguments().constFirst().toString());
        }
    });
}

AtspiAccessibility::~AtspiAccessibility() {
    if (switchedOn_) {
        // Back as we found it; the desktop keeps the switch in its settings, beyond this session.
        QDBusConnection::sessionBus().call(statusSetting(false), QDBus::Block, busLookupMilliseconds);
    }
    const QString name = bus().name();
    {
        std::lock_guard lock(mutex_);
        bus_ = QDBusConnection(QString());
    }
    if (!name.isEmpty()) {
        QDBusConnection::disconnectFromBus(name);
    }
}

void AtspiAccessibility::connectTo(const QString& address) {
    if (address.isEmpty()) {
        return;
    }
    QDBusConnection connection = QDBusConnection::connectToBus(
        address, QStringLiteral("vesperline-a11y-%1").arg(connectionCount.fetch_add(1)));
    if (!connection.isConnected()) {
        QDBusConnection::disconnectFromBus(connection.name());
        return;
    }
    // Applications send focus events only while someone has asked for them; asking from this
    // connection keeps them coming for as long as it lives.
    connection.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                       QStringLiteral("StateChanged"), this, SLOT(stateChanged(QDBusMessage)));
    QDBusMessage request = QDBusMessage::createMethodCall(
        registryBus, QStringLiteral("/org/a11y/atspi/registry"), QStringLiteral("org.a11y.atspi.Registry"),
        QStringLiteral("RegisterEvent"));
    request << QStringLiteral("object:state-changed:focused") << QStringList() << QString();
    connection.asyncCall(request, timeoutMilliseconds);
    std::lock_guard lock(mutex_);
    bus_ = connection;
}

QDBusConnection AtspiAccessibility::bus() const {
    std::lock_guard lock(mutex_);
    return bus_;
}

bool AtspiAccessibility::isTrusted() {
    return enabled_ && bus().isConnected();
}

void AtspiAccessibility::requestTrust() {
    // The user asked for it: it stays on after we quit.
    switchedOn_ = false;
    switchOn();
}

void AtspiAccessibility::keepSwitchedOn() {
    if (keepingOn_ || !qEnvironmentVariableIsEmpty("AT_SPI_BUS_ADDRESS")) {
        return; // a bus named outright has no switch of the session to set
    }
    keepingOn_ = true;
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    request << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
    auto* answer = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(request, busLookupMilliseconds), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
            firstArgument(reply).toBool()) {
            return; // no switch to set, or on already
        }
        switchedOn_ = true;
        switchOn();
    });
}

QDBusMessage AtspiAccessibility::statusSetting(bool enabled) {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    // The bus keeps it as the desktop's toolkit-accessibility setting, which toolkits read at start.
    request << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
            << QVariant::fromValue(QDBusVariant(enabled));
    return request;
}

void AtspiAccessibility::switchOn() {
    auto* answer = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(statusSetting(true), busLookupMilliseconds), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        // Read back whatever came of it, also where the bus sends no change signal.
        readStatus();
    });
}

void AtspiAccessibility::followStatus() {
    QDBusConnection::sessionBus().connect(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("PropertiesChanged"), this,
                                          SLOT(statusChanged(QString, QVariantMap, QStringList)));
    readStatus();
}

void AtspiAccessibility::readStatus() {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    request << QStringLiteral("org.a11y.Status");
    auto* answer = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(request, busLookupMilliseconds), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return;
        }
        const QVariantMap status = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
        enabled_ = status.value(QStringLiteral("IsEnabled")).toBool() ||
                   status.value(QStringLiteral("ScreenReaderEnabled")).toBool();
    });
}

void AtspiAccessibility::statusChanged(const QString& interface, const QVariantMap&, const QStringList&) {
    if (interface == QLatin1String("org.a11y.Status")) {
        readStatus();
    }
}

void AtspiAccessibility::stateChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments[0].toString() != QLatin1String("focused")) {
        return;
    }
    const AccessibleElement element{toStd(message.service()), toStd(message.path())};
    std::lock_guard lock(mutex_);
    if (arguments[1].toInt() != 0) {
        focused_ = element;
    } else if (focused_ == element) {
        focused_.reset();
    }
}

namespace {

QDBusPendingCall send(const QDBusConnection& bus, const AccessibleElement& element, const QString& interface,
                      const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromStdString(element.bus), QString::fromStdString(element.path), interface, method);
    message.setArguments(arguments);
    return bus.asyncCall(message, timeoutMilliseconds);
}

QDBusPendingCall sendGet(const QDBusConnection& bus, const AccessibleElement& element,
                         const QString& interface, const QString& property) {
    return send(bus, element, propertiesInterface, QStringLiteral("Get"), {interface, property});
}

QDBusPendingCall sendExtents(const QDBusConnection& bus, const AccessibleElement& element) {
    return send(bus, element, componentInterface, QStringLiteral("GetExtents"), {QVariant::fromValue(0u)});
}

// Which process holds a connection of the accessibility bus.
QDBusPendingCall askProcessID(const QDBusConnection& bus, const QString& connection) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    message << connection;
    return bus.asyncCall(message, timeoutMilliseconds);
}

std::optional<AccessibleRole> roleOf(QDBusPendingCall& call) {
    const auto role = integerOf(call);
    if (!role) {
        return std::nullopt;
    }
    return accessibleRoleFromAtspi(static_cast<std::uint32_t>(*role));
}

} // namespace

std::optional<AccessibleElement> AtspiAccessibility::application(std::int32_t pid) {
    const QDBusConnection connection = bus();
    if (!connection.isConnected()) {
        return std::nullopt;
    }
    auto listCall = send(connection, {toStd(registryBus), toStd(rootPath)}, accessibleInterface,
                         QStringLiteral("GetChildren"));
    const auto applications = elementsOf(listCall, registryBus);
    if (!applications) {
        return std::nullopt;
    }
    {
        // Applications that left the bus are forgotten, so the table holds only the running ones.
        std::lock_guard lock(mutex_);
        std::erase_if(pidsByBus_, [&](const auto& entry) {
            return std::none_of(
                applications->begin(), applications->end(),
                [&](const AccessibleElement& app) { return QString::fromStdString(app.bus) == entry.first; });
        });
    }
    std::vector<std::pair<const AccessibleElement*, QDBusPendingCall>> lookups;
    for (const AccessibleElement& application : *applications) {
        const QString name = QString::fromStdString(application.bus);
        {
            std::lock_guard lock(mutex_);
            if (const auto known = pidsByBus_.find(name); known != pidsByBus_.end()) {
                if (known->second == pid) {
                    return application;
                }
                continue;
            }
        }
        lookups.emplace_back(&application, askProcessID(connection, name));
    }
    std::optional<AccessibleElement> found;
    for (auto& [application, call] : lookups) {
        if (const auto applicationPID = integerOf(call)) {
            std::lock_guard lock(mutex_);
            pidsByBus_[QString::fromStdString(application->bus)] = static_cast<std::int32_t>(*applicationPID);
            if (!found && *applicationPID == pid) {
                found = *application;
            }
        }
    }
    return found;
}

std::optional<std::vector<AccessibleElement>> AtspiAccessibility::windows(std::int32_t pid) {
    const auto application = this->application(pid);
    if (!application) {
        return std::nullopt;
    }
    return children(*application);
}

std::optional<AccessibleElement> AtspiAccessibility::windowWithState(std::int32_t pid, int state) {
    const auto windows = this->windows(pid);
    if (!windows) {
        return std::nullopt;
    }
    std::vector<QDBusPendingCall> states;
    for (const AccessibleElement& window : *windows) {
        states.push_back(send(bus(), window, accessibleInterface, QStringLiteral("GetState")));
    }
    std::optional<AccessibleElement> found;
    for (std::size_t i = 0; i < windows->size(); ++i) {
        const auto bits = statesOf(states[i]);
        if (!found && bits && (*bits >> state & 1)) {
            found = (*windows)[i];
        }
    }
    return found;
}

std::optional<AccessibleElement> AtspiAccessibility::focusedWindow(std::int32_t pid) {
    return windowWithState(pid, ATSPI_STATE_ACTIVE);
}

std::optional<AccessibleElement> AtspiAccessibility::mainWindow(std::int32_t pid) {
    return windowWithState(pid, ATSPI_STATE_SHOWING);
}

std::optional<AccessibleElement> AtspiAccessibility::focusedElement() {
    std::lock_guard lock(mutex_);
    return focused_;
}

std::optional<AccessibleNode> AtspiAccessibility::node(const AccessibleElement& element) {
    auto roleCall = send(bus(), element, accessibleInterface, QStringLiteral("GetRole"));
    auto extentsCall = sendExtents(bus(), element);
    const auto role = roleOf(roleCall);
    const auto extents = extentsOf(extentsCall);
    if (!role) {
        return std::nullopt;
    }
    return AccessibleNode{*role, extents};
}

std::optional<AccessibleLabels> AtspiAccessibility::labels(const AccessibleElement& element) {
    auto roleCall = send(bus(), element, accessibleInterface, QStringLiteral("GetRole"));
    auto descriptionCall = sendGet(bus(), element, accessibleInterface, QStringLiteral("Description"));
    auto nameCall = sendGet(bus(), element, accessibleInterface, QStringLiteral("Name"));
    const auto role = roleOf(roleCall);
    const auto description = stringOf(descriptionCall);
    const auto name = stringOf(nameCall);
    if (!role) {
        return std::nullopt;
    }
    // AT-SPI has no help text of its own; an empty description or name is no label.
    return AccessibleLabels{*role, nonEmptyStd(description), nonEmptyStd(name), std::nullopt};
}

std::optional<AccessibleRole> AtspiAccessibility::role(const AccessibleElement& element) {
    auto call = send(bus(), element, accessibleInterface, QStringLiteral("GetRole"));
    return roleOf(call);
}

std::optional<std::string> AtspiAccessibility::title(const AccessibleElement& element) {
    auto call = sendGet(bus(), element, accessibleInterface, QStringLiteral("Name"));
    return nonEmptyStd(stringOf(call));
}

std::optional<std::string> AtspiAccessibility::value(const AccessibleElement& element) {
    auto roleCall = send(bus(), element, accessibleInterface, QStringLiteral("GetRole"));
    auto textCall = send(bus(), element, textInterface, QStringLiteral("GetText"), {0, -1});
    auto nameCall = sendGet(bus(), element, accessibleInterface, QStringLiteral("Name"));
    const auto role = roleOf(roleCall);
    const auto text = stringOf(textCall);
    const auto name = stringOf(nameCall);
    if (text) {
        return withoutEmbeddedObjects(*text);
    }
    // A label without a text interface shows its name.
    if (role == AccessibleRole::staticText && name) {
        return toStd(*name);
    }
    return std::nullopt;
}

std::optional<ostrel::Rect> AtspiAccessibility::frame(const AccessibleElement& element) {
    auto call = sendExtents(bus(), element);
    return extentsOf(call);
}

std::optional<std::vector<AccessibleElement>> AtspiAccessibility::children(const AccessibleElement& element) {
    auto call = send(bus(), element, accessibleInterface, QStringLiteral("GetChildren"));
    return elementsOf(call, QString::fromStdString(element.bus));
}

std::optional<std::vector<AccessibleElement>> AtspiAccessibility::visibleChildren(const AccessibleElement&) {
    // AT-SPI has no read of only the shown children; callers fall back to all children.
    return std::nullopt;
}

std::optional<long long> AtspiAccessibility::characterCount(const AccessibleElement& element) {
    auto call = sendGet(bus(), element, textInterface, QStringLiteral("CharacterCount"));
    return integerOf(call);
}

std::optional<TextRange> AtspiAccessibility::visibleCharacterRange(const AccessibleElement& element) {
    const auto area = frame(element);
    const auto count = characterCount(element);
    if (!area || area->isEmpty() || !count || *count <= 0) {
        return std::nullopt;
    }
    // Toolkits answer "which character is at this point" only over a character, so the range is
    // found by bisecting on where characters lie instead: lines go down as offsets grow.
    // Each round asks for the places of 16 evenly spread characters at once (one round trip) and
    // narrows the search to the gap where the answer lies.
    constexpr long long probesPerRound = 16;
    bool failed = false;
    const auto extentsOf = [&](const std::vector<long long>& offsets) {
        std::vector<QDBusPendingCall> calls;
        for (long long offset : offsets) {
            calls.push_back(send(bus(), element, textInterface, QStringLiteral("GetCharacterExtents"),
                                 {int(offset), QVariant::fromValue(0u)}));
        }
        std::vector<ostrel::Rect> places;
        for (QDBusPendingCall& call : calls) {
            const auto reply = replyOf(call);
            if (!reply || reply->arguments().size() != 4) {
                failed = true;
                places.emplace_back();
                continue;
            }
            const QList<QVariant> values = reply->arguments();
            places.push_back(
                {values[0].toDouble(), values[1].toDouble(), values[2].toDouble(), values[3].toDouble()});
        }
        return places;
    };
    // The smallest offset from `low` on where `holds` is true (false, then true, as offsets grow).
    const auto firstWhere = [&](long long low, auto holds) {
        long long high = *count;
        while (low < high && !failed) {
            const long long step = std::max(1LL, (high - low + probesPerRound - 1) / probesPerRound);
            std::vector<long long> probes;
            for (long long offset = low; offset < high; offset += step) {
                probes.push_back(offset);
            }
            const std::vector<ostrel::Rect> places = extentsOf(probes);
            const auto found = std::find_if(places.begin(), places.end(),
                                            [&](const ostrel::Rect& place) { return holds(place); });
            if (found == places.end()) {
                low = probes.back() + 1;
                continue;
            }
            const auto index = found - places.begin();
            high = probes[index];
            if (index > 0) {
                low = probes[index - 1] + 1;
            }
        }
        return low;
    };
    const long long first = firstWhere(0, [&](const ostrel::Rect& at) { return at.maxY() > area->minY(); });
    const long long end =
        firstWhere(first, [&](const ostrel::Rect& at) { return at.minY() >= area->maxY(); });
    if (failed || first >= end) {
        return std::nullopt;
    }
    return TextRange{first, end - first};
}

std::optional<std::string> AtspiAccessibility::stringForRange(const AccessibleElement& element,
                                                              TextRange range) {
    if (range.location < 0 || range.length < 0) {
        return std::nullopt;
    }
    auto call = send(bus(), element, textInterface, QStringLiteral("GetText"),
                     {int(range.location), int(range.location + range.length)});
    const auto text = stringOf(call);
    return text ? std::optional(withoutEmbeddedObjects(*text)) : std::nullopt;
}

std::optional<std::string> AtspiAccessibility::documentAddress(const AccessibleElement& element) {
    auto call = send(bus(), element, documentInterface, QStringLiteral("GetAttributes"));
    const auto structured = structuredReply(call, QLatin1String("a{ss}"));
    if (!structured) {
        return std::nullopt;
    }
    QMap<QString, QString> attributes;
    *structured >> attributes;
    // Gecko and GTK name the address "DocURL", Chromium "URI".
    for (const QString& name : {QStringLiteral("DocURL"), QStringLiteral("URI")}) {
        if (const auto address = nonEmptyStd(attributes.value(name))) {
            return address;
        }
    }
    return std::nullopt;
}

std::optional<bool> AtspiAccessibility::isShowing(const AccessibleElement& element) {
    auto call = send(bus(), element, accessibleInterface, QStringLiteral("GetState"));
    const auto bits = statesOf(call);
    if (!bits) {
        return std::nullopt;
    }
    return (*bits >> ATSPI_STATE_SHOWING & 1) != 0;
}

std::optional<std::int32_t> AtspiAccessibility::processID(const AccessibleElement& element) {
    const QString name = QString::fromStdString(element.bus);
    {
        std::lock_guard lock(mutex_);
        if (const auto known = pidsByBus_.find(name); known != pidsByBus_.end()) {
            return known->second;
        }
    }
    auto call = askProcessID(bus(), name);
    const auto pid = integerOf(call);
    if (!pid) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    pidsByBus_[name] = static_cast<std::int32_t>(*pid);
    return static_cast<std::int32_t>(*pid);
}

} // namespace vesperline::platform
