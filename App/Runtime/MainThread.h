#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <utility>

namespace vesperline::MainThread {

// Posts `block` to the main thread's event loop; it runs later, never inside this call, even when
// called on the main thread. Results and events of services reach the application this way.
template <typename Block> void post(Block&& block) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Block>(block), Qt::QueuedConnection);
}

// The same, but the block is dropped when `context` is destroyed before it runs: a weak hold on the
// object that reports. `context` must live on the main thread and be destroyed there.
template <typename Block> void post(const QObject* context, Block&& block) {
    QMetaObject::invokeMethod(const_cast<QObject*>(context), std::forward<Block>(block),
                              Qt::QueuedConnection);
}

// Whether the calling code runs on the main thread.
inline bool isCurrent() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->thread() == QThread::currentThread();
}

} // namespace vesperline::MainThread
