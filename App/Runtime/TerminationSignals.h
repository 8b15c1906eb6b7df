#pragma once

#include <QObject>

class QSocketNotifier;

namespace vesperline {

// Turns SIGTERM, SIGINT and SIGHUP into `received` on the main thread, so the application ends
// through its normal quit. The handler only writes the signal's number into a socket pair (nothing
// else is safe in a handler); the main thread reads it. One instance at a time; while it lives the
// three signals no longer end the process by themselves.
class TerminationSignals final : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void received(int signal);

  private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vesperline
