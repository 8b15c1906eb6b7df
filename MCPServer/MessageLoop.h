#pragma once

#include <cstddef>

namespace vesperline::mcp {

class Server;

// No request of ours comes near these; they bound what one line or batch can cost. A longer line is
// answered with an error and read past, a longer batch is refused as a whole.
inline constexpr std::size_t maximumLineBytes = 4 << 20;
inline constexpr std::size_t maximumBatchLength = 100;

// Answers newline-delimited JSON-RPC 2.0 read from `inputFD` on `outputFD`, one line at a time and
// in order, until the input ends or the output is closed. Lines are single messages or batches.
void runMessageLoop(Server& server, int inputFD, int outputFD);

} // namespace vesperline::mcp
