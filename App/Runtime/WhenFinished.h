#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <utility>

namespace vesperline {

// Calls `handler(future)` on `receiver`'s thread once `future` has finished, always later (never
// inside this call); when `receiver` is destroyed first, nothing is called. This is how the result of
// a future reaches an object: a QFutureWatcher parented to the receiver carries the delivery and dies
// with it. (QFuture::then with a context object asserts on Qt 6.4 when that object dies first.)
//
// Callable from any thread while `receiver` is alive; the receiver's thread must run an event loop.
template <typename T, typename Handler>
void whenFinished(QFuture<T> future, QObject* receiver, Handler handler) {
    auto watch = [future = std::move(future), receiver, handler = std::move(handler)]() mutable {
        auto* watcher = new QFutureWatcher<T>(receiver);
        QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                         [watcher, handler = std::move(handler)]() mutable {
                             watcher->deleteLater();
                             handler(watcher->future());
                         });
        watcher->setFuture(future);
    };
    if (QThread::currentThread() == receiver->thread()) {
        watch();
    } else {
        // Dropped with the receiver if it dies before its thread gets to it.
        QMetaObject::invokeMethod(receiver, std::move(watch), Qt::QueuedConnection);
    }
}

} // namespace vesperline
