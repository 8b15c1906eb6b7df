#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThread>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace vesperline {

// A named serial queue: one thread with its own event loop that runs posted blocks one at a time,
// in the order they were posted. Services own one and touch their state only from blocks on it.
//
// Blocks must not spin an event loop of their own (it would let later blocks run inside them).
// A block posted with `async` that throws is logged with the queue's label and the queue goes on;
// use `submit` or `sync` when the caller needs to see the failure.
// Queues need the application object (QCoreApplication) for their whole life: create them after it
// and destroy them before it.
class SerialQueue final {
  public:
    // `suffix` is appended to the app id to form the label, e.g. ".store.write". The thread is
    // named after the suffix (the system keeps only 15 characters of a thread name).
    explicit SerialQueue(const QString& suffix, QThread::Priority priority = QThread::NormalPriority);
    // Runs every block posted so far, then stops the thread.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const QString& label() const { return label_; }
    // Whether the calling code runs on this queue.
    bool isCurrent() const;
    // An object living on the queue's thread: the context for timers and queued connections.
    QObject* context() const { return context_; }

    // Posts `block` and returns at once.
    void async(std::function<void()> block);

    // Runs `block` here and now, logging what it throws (with this queue's label) instead of letting
    // it reach the event loop, which would end the program. For work started on the queue's thread
    // by other means than `async`, such as timers.
    void runLoggingFailure(const std::function<void()>& block) const;

    // Runs `block` on the queue and waits for it; returns its result or rethrows its exception.
    // Blocks posted earlier run first. Called on the queue itself, it runs the block in place
    // instead of waiting for itself forever.
    template <typename Block> auto sync(Block&& block) -> std::invoke_result_t<Block&> {
        using Result = std::invoke_result_t<Block&>;
        if (isCurrent()) {
            return block();
        }
        std::exception_ptr failure;
        if constexpr (std::is_void_v<Result>) {
            runAndWait([&] {
                try {
                    block();
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            if (failure) {
                std::rethrow_exception(failure);
            }
        } else {
            std::optional<Result> result;
            runAndWait([&] {
                try {
                    result.emplace(block());
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            if (failure) {
                std::rethrow_exception(failure);
            }
            return std::move(*result);
        }
    }

    // Posts `block` and returns a future of its result; the future holds the exception if it threw.
    // Deliver the result to an object with `whenFinished` (Runtime/WhenFinished.h).
    template <typename Block> auto submit(Block block) -> QFuture<std::invoke_result_t<Block&>> {
        using Result = std::invoke_result_t<Block&>;
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        async([promise, block = std::move(block)]() mutable {
            try {
                if constexpr (std::is_void_v<Result>) {
                    block();
                } else {
                    promise->addResult(block());
                }
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
        });
        return future;
    }

  private:
    void runAndWait(const std::function<void()>& block);

    QString label_;
    QThread thread_;
    QObject* context_;
};

} // namespace vesperline
