#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

class QLocalSocket;

namespace vesperline {

// One running application per user and data folder. The first to claim the folder's key holds a
// lock file and listens on a local socket beside it (both in the user's runtime folder, so only the
// user reaches them); a later launch asks the running one to show itself and ends.
//
// A relaunch survives the rule: once the running application starts to quit it stops listening, and
// a launch that gets no answer waits until the old one has let go of the lock (after its last
// writes), then takes over. A lock left by a process that died is taken over at once. Main thread.
class SingleInstance final : public QObject {
    Q_OBJECT

  public:
    enum class Claim {
        // This process is the running application.
        primary,
        // Another one runs and was asked to show itself.
        shownOther,
        // Another one holds the folder but neither answered nor let go in time.
        unanswered,
    };

    // "org.vesperline.Vesperline-<hash of the folder's absolute path>".
    static QString keyFor(const std::filesystem::path& dataDirectory);

    // `folder` holds the lock and the socket: the user's runtime folder unless given.
    explicit SingleInstance(const QString& key, const QString& folder = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the key, or asks its holder to show itself; waits at most `patience` for a holder that
    // does not answer (it is quitting) to let go.
    Claim claim(std::chrono::milliseconds patience = std::chrono::seconds(60));
    // Stops answering: the application is about to end, and a new launch waits for the lock.
    void beginQuitting();
    // Lets the key go, for a launch waiting to take over.
    void release();

    QString socketPath() const { return folder_ + '/' + key_ + ".socket"; }

  signals:
    // Another launch asked this application to show itself.
    void showRequested();

  private:
    // Whether the holder answered that it shows itself.
    bool ask();
    bool listen();
    void answer(QLocalSocket* socket);

    QString key_;
    QString folder_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace vesperline
