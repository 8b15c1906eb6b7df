#include "MessageLoop.h"

#include "LineReader.h"
#include "ReplyWriter.h"
#include "Server.h"
#include "UnicodeText.h"

#include "Support/NestedJSON.h"

namespace vesperline::mcp {

namespace {

// Deeper nesting is refused as a parse error: writing an echoed id back must not exhaust the stack.
constexpr int maximumNesting = 512;

// The line's one JSON value when it is an object or an array; none when it is not JSON, holds more
// than one value, is nested too deeply, or is a bare string, number, boolean or null.
std::optional<Json> parseMessage(std::string_view line) {
    std::optional<Json> value = ostrel::parseJSONNestedAtMost<Json>(line, maximumNesting);
    if (value && (value->is_object() || value->is_array())) {
        return value;
    }
    return std::nullopt;
}

Json invalidRequest(const std::string& message) {
    return Server::errorResponse(nullptr, -32600, message);
}

void answerBatch(Server& server, const Json& batch, ReplyWriter& writer) {
    if (batch.empty()) {
        writer.writeMessage(invalidRequest("Invalid request: empty batch"));
        return;
    }
    if (batch.size() > maximumBatchLength) {
        writer.writeMessage(invalidRequest("Invalid request: batch of more than " +
                                           std::to_string(maximumBatchLength) + " messages"));
        return;
    }
    Json replies = Json::array();
    for (const Json& element : batch) {
        if (!element.is_object()) {
            replies.push_back(invalidRequest("Invalid request"));
        } else if (std::optional<Json> reply = server.handle(element)) {
            replies.push_back(std::move(*reply));
        }
    }
    if (!replies.empty()) {
        writer.writeBatch(replies);
    }
}

} // namespace

void runMessageLoop(Server& server, int inputFD, int outputFD) {
    LineReader reader(inputFD, maximumLineBytes);
    ReplyWriter writer(outputFD);
    while (!writer.isClosed()) {
        const std::optional<LineReader::Line> line = reader.next();
        if (!line) {
            return;
        }
        if (line->tooLong) {
            writer.writeMessage(invalidRequest("Invalid request: message longer than " +
                                               std::to_string(maximumLineBytes >> 20) + " MB"));
            continue;
        }
        const std::string text = UnicodeText::replacingInvalidUTF8(line->text);
        const std::string_view trimmed = UnicodeText::trimmingWhitespaceAndNewlines(text);
        if (trimmed.empty()) {
            continue;
        }
        const std::optional<Json> message = parseMessage(trimmed);
        if (!message) {
            writer.writeMessage(Server::errorResponse(nullptr, -32700, "Parse error"));
        } else if (message->is_array()) {
            answerBatch(server, *message, writer);
        } else if (std::optional<Json> reply = server.handle(*message)) {
            writer.writeMessage(*reply);
        }
    }
}

} // namespace vesperline::mcp
