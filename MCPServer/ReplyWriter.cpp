#include "ReplyWriter.h"

#include <cerrno>
#include <unistd.h>

namespace vesperline::mcp {

namespace {

std::string compact(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace

void ReplyWriter::writeMessage(const Json& reply) {
    writeLine(compact(reply));
}

void ReplyWriter::writeBatch(const Json& replies) {
    // Batch replies have always been written with forward slashes escaped; a slash can only occur
    // inside a string, so escaping every one keeps the JSON value the same.
    const std::string plain = compact(replies);
    std::string escaped;
    escaped.reserve(plain.size());
    for (const char c : plain) {
        if (c == '/') {
            escaped += '\\';
        }
        escaped += c;
    }
    writeLine(std::move(escaped));
}

void ReplyWriter::writeLine(std::string line) {
    if (closed_) {
        return;
    }
    line += '\n';
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(fd_, line.data() + written, line.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            closed_ = true;
            return;
        }
    }
}

} // namespace vesperline::mcp
