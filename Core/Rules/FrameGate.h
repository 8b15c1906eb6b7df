#pragma once

#include "Rules/CapturePolicy.h"
#include "Rules/GateInput.h"

#include <optional>

namespace ostrel::FrameGate {

// Smallest changed share of a display that counts as a visible change.
inline constexpr double minimumDirtyFraction = 0.003;

// Whether the latest frame of a display is worth saving now. Reads only `minInterval` and `heartbeat`
// of the policy. A comparison with a value that is not a number fails.
bool shouldCapture(const GateInput& input, const CapturePolicy& policy);

// Whether a frame adds nothing over the previous saved one: its hash differs in at most one bit, it
// brings no new line of text and less than 1 % of the display changed. Without a previous hash to
// compare with (`hashDistance` absent) a frame is never a duplicate.
bool isDuplicate(std::optional<int> hashDistance, int newLines, double dirtyFraction);

} // namespace ostrel::FrameGate
