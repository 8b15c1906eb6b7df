#include "Runtime/SerialQueue.h"

#include "Runtime/AppIdentity.h"
#include "Runtime/FailureDescription.h"
#include "Runtime/Log.h"

#include <QCoreApplication>

#include <stdexcept>

namespace vesperline {

namespace {

// Linux keeps 15 bytes of a thread name; the suffix without its leading dot is what tells threads apart.
QString threadName(const QString& suffix) {
    QString name = suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix;
    return name.left(15);
}

} // namespace

SerialQueue::SerialQueue(const QString& suffix, QThread::Priority priority)
    : label_(QLatin1String(appID) + suffix), context_(new QObject) {
    thread_.setObjectName(threadName(suffix));
    context_->moveToThread(&thread_);
    thread_.start(priority);
}

SerialQueue::~SerialQueue() {
    if (QCoreApplication::instance()) {
        // Quitting behind the blocks already posted lets them all run, as callers expect of a queue.
        async([this] { thread_.quit(); });
    } else {
        // Once the application is gone, posted blocks are no longer delivered: stop at once.
        thread_.quit();
    }
    thread_.wait();
    delete context_;
}

bool SerialQueue::isCurrent() const {
    return QThread::currentThread() == &thread_;
}

void SerialQueue::async(std::function<void()> block) {
    QMetaObject::invokeMethod(
        context_, [this, block = std::move(block)] { runLoggingFailure(block); }, Qt::QueuedConnection);
}

void SerialQueue::runLoggingFailure(const std::function<void()>& block) const {
    try {
        block();
    } catch (...) {
        qCCritical(Log::app(), "Block on %s failed: %s", qUtf8Printable(label_),
                   describeFailure(std::current_exception()).c_str());
    }
}

void SerialQueue::runAndWait(const std::function<void()>& block) {
    if (!QCoreApplication::instance()) {
        // The block would never be delivered and the caller would wait forever.
        throw std::logic_error("serial queue " + label_.toStdString() +
                               " used without an application object");
    }
    QMetaObject::invokeMethod(context_, block, Qt::BlockingQueuedConnection);
}

} // namespace vesperline
