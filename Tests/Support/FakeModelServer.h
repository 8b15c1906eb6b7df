#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMetaObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace testsupport {

// A small HTTP/1.1 server on an ephemeral port of a loopback address, on a thread of its own (so a test
// may block on a request to it), that answers each request as the test's handler says and records what
// came in: a model's chat completions, or the pages a browser is shown.
// Every reply closes its connection.
class FakeModelServer {
  public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray body;
    };
    struct Response {
        int status = 200;
        QByteArray body;
        bool hang = false; // read the request, then never answer
        QByteArray contentType = "application/json";
    };
    using Handler = std::function<Response(const Request&)>;

    explicit FakeModelServer(Handler handler,
                             const QHostAddress& address = QHostAddress(QHostAddress::LocalHost))
        : handler_(std::move(handler)), address_(address) {
        thread_.setObjectName(QStringLiteral("model server"));
        thread_.start();
        server_ = new QTcpServer;
        server_->moveToThread(&thread_);
        bool listening = false;
        QMetaObject::invokeMethod(
            server_,
            [&] {
                QObject::connect(server_, &QTcpServer::newConnection, server_, [this] { accept(); });
                listening = server_->listen(address);
                port_ = server_->serverPort();
            },
            Qt::BlockingQueuedConnection);
        if (!listening) {
            stop();
            throw std::runtime_error("the fake model server could not listen");
        }
    }
    ~FakeModelServer() { stop(); }
    FakeModelServer(const FakeModelServer&) = delete;
    FakeModelServer& operator=(const FakeModelServer&) = delete;

    quint16 port() const { return port_; }
    // "http://<address>:<port>"
    std::string url() const {
        return "http://" + address_.toString().toStdString() + ":" + std::to_string(port_);
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const {
        std::lock_guard lock(mutex_);
        return connections_;
    }

    // A chat-completions reply whose message holds `content`.
    static QByteArray completion(const std::string& content) {
        const nlohmann::json reply = {{"choices",
                                       {{{"index", 0},
                                         {"message", {{"role", "assistant"}, {"content", content}}},
                                         {"finish_reason", "stop"}}}}};
        return QByteArray::fromStdString(reply.dump());
    }

  private:
    void accept() {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            {
                std::lock_guard lock(mutex_);
                ++connections_;
            }
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                read(*socket, *buffer);
            });
        }
    }

    void read(QTcpSocket& socket, QByteArray& buffer) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        qsizetype length = 0;
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("content-length:")) {
                length = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
        if (buffer.size() < headerEnd + 4 + length) {
            return;
        }
        Request request{requestLine.value(0), requestLine.value(1), buffer.mid(headerEnd + 4, length)};
        buffer.clear();
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Response response = handler_(request);
        if (response.hang) {
            return;
        }
        socket.write("HTTP/1.1 " + QByteArray::number(response.status) +
                     " Fake\r\nContent-Type: " + response.contentType +
                     "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(response.body.size()) +
                     "\r\n\r\n" + response.body);
        socket.disconnectFromHost();
    }

    void stop() {
        if (server_) {
            QMetaObject::invokeMethod(
                server_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
            server_ = nullptr;
        }
        thread_.quit();
        thread_.wait();
    }

    Handler handler_;
    const QHostAddress address_;
    QThread thread_;
    QTcpServer* server_ = nullptr; // lives on `thread_`; the connections are its children
    quint16 port_ = 0;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    int connections_ = 0;
};

} // namespace testsupport
