#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

namespace testsupport {

// Collects the Qt log lines written while it lives (from any thread), as "<category>: <message>"
// with the category name's last part ("capture", "storage", ...). One at a time.
class LogCapture {
  public:
    LogCapture() {
        std::lock_guard lock(instanceMutex());
        current() = this;
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        std::lock_guard lock(instanceMutex());
        current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // How many lines hold `text`.
    int count(const QString& text) const {
        std::lock_guard lock(mutex_);
        int found = 0;
        for (const QString& line : lines_) {
            found += line.contains(text) ? 1 : 0;
        }
        return found;
    }

  private:
    static LogCapture*& current() {
        static LogCapture* capture = nullptr;
        return capture;
    }
    static std::mutex& instanceMutex() {
        static std::mutex mutex;
        return mutex;
    }
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        std::lock_guard instanceLock(instanceMutex());
        if (LogCapture* capture = current()) {
            const QString category = QString::fromUtf8(context.category ? context.category : "");
            std::lock_guard lock(capture->mutex_);
            capture->lines_ << category.section('.', -1) + ": " + message;
        }
    }

    QtMessageHandler previous_ = nullptr;
    mutable std::mutex mutex_;
    QStringList lines_;
};

} // namespace testsupport
