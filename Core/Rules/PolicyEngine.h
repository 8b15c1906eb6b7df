#pragma once

#include "Rules/CaptureMode.h"
#include "Rules/CapturePolicy.h"
#include "Rules/PowerSnapshot.h"

namespace ostrel::PolicyEngine {

// The capture policy for a mode, a power state and the user's text-only and OCR-on-battery switches.
// Pure; later rules (battery, low battery, Low Power Mode, heat, text only) win over earlier ones.
CapturePolicy policy(CaptureMode mode, const PowerSnapshot& power, bool textOnly, bool ocrOnBattery);

} // namespace ostrel::PolicyEngine
