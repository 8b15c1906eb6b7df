#pragma once

namespace vesperline::mcp {

class Server;

// Answers newline-delimited JSON-RPC 2.0 read from `inputFD` on `outputFD`, one line at a time and
// in order, until the input ends or the output is closed. Lines are single messages or batches.
void runMessageLoop(Server& server, int inputFD, int outputFD);

} // namespace vesperline::mcp
