#include "Runtime/Log.h"

#include "Runtime/AppIdentity.h"

#include <QMutex>

#include <map>
#include <memory>
#include <string>

namespace vesperline::Log {

// Traces (debug level) show only when QT_LOGGING_RULES asks for them.
Logger::Logger(const char* area)
    : name_(QByteArray(appID) + '.' + area), category_(name_.constData(), QtInfoMsg) {}

const Logger& make(const char* area) {
    // Categories register themselves with Qt's logging registry and must outlive every use, so they
    // are kept for the life of the process, one per area.
    static QMutex mutex;
    static std::map<std::string, std::unique_ptr<Logger>> loggers;
    QMutexLocker lock(&mutex);
    std::unique_ptr<Logger>& logger = loggers[area];
    if (!logger) {
        logger = std::make_unique<Logger>(area);
    }
    return *logger;
}

const QLoggingCategory& app() {
    static const QLoggingCategory& category = make("app").category();
    return category;
}

const QLoggingCategory& capture() {
    static const QLoggingCategory& category = make("capture").category();
    return category;
}

const QLoggingCategory& storage() {
    static const QLoggingCategory& category = make("storage").category();
    return category;
}

const QLoggingCategory& ocr() {
    static const QLoggingCategory& category = make("ocr").category();
    return category;
}

const QLoggingCategory& ai() {
    static const QLoggingCategory& category = make("ai").category();
    return category;
}

} // namespace vesperline::Log
