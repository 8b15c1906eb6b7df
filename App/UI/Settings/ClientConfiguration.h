#pragma once

#include <QString>

#include <filesystem>
#include <string_view>

// The two texts with which an assistant's client registers the assistants' server: a command line
// for a shell and a member of a client's JSON list of servers. The server's path goes into each
// quoted for where it lands, so a path with a space, a quote, a backslash, a dollar sign or a
// backquote still names the same file; an ordinary path comes out as it is, in double quotes.
namespace vesperline::ClientConfiguration {

// Where the assistants' server is for a program in `programFolder`: beside it, as installed; else,
// in a build folder where each program has a folder of its own, in the server's folder next to it.
std::filesystem::path serverBeside(const std::filesystem::path& programFolder);

// claude mcp add vesperline -- "<path>"
QString commandLine(const std::filesystem::path& server);
// "vesperline": { "command": "<path>" }
QString serverEntry(const std::filesystem::path& server);

// `text` in double quotes for a POSIX shell: '"', '\', '$' and '`' escaped with a backslash, so
// nothing in it expands.
QString shellQuoted(std::string_view text);
// `text` as a JSON string: quotes, backslashes and control characters escaped; bytes that are no
// UTF-8 become U+FFFD.
QString jsonQuoted(std::string_view text);

} // namespace vesperline::ClientConfiguration
