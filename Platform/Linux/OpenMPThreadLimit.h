#pragma once

namespace vesperline::platform {

// Text recognition runs Tesseract, whose OpenMP runtime starts as many threads as its loops ask for
// and lets them spin between loops: several times the processor time of the recognition itself. The
// runtime reads its thread limit only when it loads, so a program calls this first thing in `main`:
// started without the limit of one thread, it starts itself again with it (and goes on when it has
// it, or when it cannot start itself again).
void restartWithOneOpenMPThread(char** argv);

} // namespace vesperline::platform
