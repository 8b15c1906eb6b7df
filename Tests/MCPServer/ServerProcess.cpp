#include "ServerProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mcptest {

namespace {

void closeQuietly(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Appends what `fd` has to `buffer`; closes it at its end.
void drain(int& fd, std::string& buffer) {
    char chunk[65536];
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0) {
        buffer.append(chunk, static_cast<std::size_t>(count));
    } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
        closeQuietly(fd);
    }
}

} // namespace

ServerProcess::ServerProcess() {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    char* argv[] = {const_cast<char*>(VESPERLINE_MCP_PATH), nullptr};
    const int spawned = ::posix_spawn(&pid_, VESPERLINE_MCP_PATH, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
    if (spawned != 0) {
        throw std::runtime_error("cannot start " VESPERLINE_MCP_PATH);
    }
    ::fcntl(input_, F_SETFL, O_NONBLOCK);
}

ServerProcess::~ServerProcess() {
    closeQuietly(input_);
    closeQuietly(output_);
    closeQuietly(errors_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool ServerProcess::pump(int timeoutMs, bool wantInput) {
    pollfd fds[3] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}, {wantInput ? input_ : -1, POLLOUT, 0}};
    const int ready = ::poll(fds, 3, timeoutMs);
    if (ready <= 0) {
        return ready < 0 && errno == EINTR;
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        drain(output_, outputBuffer_);
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        drain(errors_, errorBuffer_);
    }
    return true;
}

void ServerProcess::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(input_, bytes.data(), bytes.size());
        if (count > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(count));
        } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
            ADD_FAILURE() << "the server stopped reading its input";
            return;
        } else if (!pump(10000, true)) {
            ADD_FAILURE() << "the server stopped reading its input";
            return;
        }
    }
}

std::string ServerProcess::readLine() {
    while (true) {
        const std::size_t newline = outputBuffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = outputBuffer_.substr(0, newline);
            outputBuffer_.erase(0, newline + 1);
            return line;
        }
        if (output_ < 0 || !pump(10000, false)) {
            ADD_FAILURE() << "no reply line from the server; it wrote: " << outputBuffer_;
            return {};
        }
    }
}

Json ServerProcess::call(const Json& request) {
    send(request.dump() + "\n");
    const std::string line = readLine();
    return Json::parse(line, nullptr, false);
}

void ServerProcess::closeOutput() {
    closeQuietly(output_);
}

ServerProcess::Ending ServerProcess::finish() {
    closeQuietly(input_);
    while (output_ >= 0 || errors_ >= 0) {
        if (!pump(10000, false)) {
            ADD_FAILURE() << "the server did not end after its input closed";
            break;
        }
    }
    Ending ending;
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_) {
        pid_ = -1;
        ending.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ending.output = std::move(outputBuffer_);
    ending.errors = std::move(errorBuffer_);
    return ending;
}

ServerProcess::Ending runSession(std::string_view input) {
    ServerProcess server;
    server.send(input);
    return server.finish();
}

} // namespace mcptest
