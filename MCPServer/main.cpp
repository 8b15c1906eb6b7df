// vesperline-mcp: lets an AI assistant on this computer read the screen memory through four read-only
// tools, over newline-delimited JSON-RPC on standard input and output.
#include "MessageLoop.h"
#include "Server.h"

#include <csignal>
#include <unistd.h>

int main() {
    // A client that closes our output ends the session; the failed write says so, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        const ostrel::SystemClock clock;
        vesperline::mcp::Server server(VESPERLINE_VERSION, clock);
        vesperline::mcp::runMessageLoop(server, STDIN_FILENO, STDOUT_FILENO);
    } catch (...) {
        // Standard error belongs to the client's terminal or log; the exit status says enough.
        return 1;
    }
    return 0;
}
