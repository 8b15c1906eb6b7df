#include "Runtime/SingleInstance.h"

#include "Runtime/AppIdentity.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace vesperline {

namespace {

constexpr char showRequest[] = "show\n";
constexpr char shownAnswer[] = "shown\n";
constexpr int answerTimeoutMilliseconds = 3000;
constexpr int retryMilliseconds = 100;

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

} // namespace

QString SingleInstance::keyFor(const std::filesystem::path& dataDirectory) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(dataDirectory, error);
    if (error) {
        absolute = std::filesystem::absolute(dataDirectory);
    }
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(absolute.string()), QCryptographicHash::Sha256);
    return QString::fromLatin1(appID) + '-' + QString::fromLatin1(hash.toHex().left(16));
}

SingleInstance::SingleInstance(const QString& key, const QString& folder, QObject* parent)
    : QObject(parent), key_(key), folder_(folder.isEmpty() ? runtimeFolder() : folder),
      lock_(folder_ + '/' + key + ".lock") {
    // A lock is stale only when its process is gone: a long-running application keeps it for days.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    release();
}

SingleInstance::Claim SingleInstance::claim(std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    while (true) {
        if (lock_.tryLock(0)) {
            return listen() ? Claim::primary : Claim::unanswered;
        }
        if (ask()) {
            return Claim::shownOther;
        }
        // Not listening yet, or any more: it is starting or quitting, and lets go of the lock soon
        // when it quits.
        if (deadline.hasExpired()) {
            return Claim::unanswered;
        }
        QThread::msleep(retryMilliseconds);
    }
}

bool SingleInstance::ask() {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(answerTimeoutMilliseconds)) {
        return false;
    }
    socket.write(showRequest);
    socket.waitForBytesWritten(answerTimeoutMilliseconds);
    QDeadlineTimer deadline(answerTimeoutMilliseconds);
    while (!socket.canReadLine() && !deadline.hasExpired() &&
           socket.state() == QLocalSocket::ConnectedState) {
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    return socket.readLine() == shownAnswer;
}

bool SingleInstance::listen() {
    // A socket left by a process that died is in the way; the lock says nobody uses it.
    QLocalServer::removeServer(socketPath());
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath())) {
        server_.reset();
        lock_.unlock();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
            if (socket->canReadLine()) {
                answer(socket);
            }
        }
    });
    return true;
}

void SingleInstance::answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        return;
    }
    const QByteArray request = socket->readLine();
    if (request != showRequest) {
        socket->disconnectFromServer();
        return;
    }
    socket->write(shownAnswer);
    socket->flush();
    emit showRequested();
}

void SingleInstance::beginQuitting() {
    if (server_) {
        server_->close();
        server_.reset();
    }
}

void SingleInstance::release() {
    beginQuitting();
    if (lock_.isLocked()) {
        lock_.unlock();
    }
}

} // namespace vesperline
