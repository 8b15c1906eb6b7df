#include "Rules/FrameGate.h"

#include <limits>

namespace ostrel::FrameGate {
namespace {

constexpr double contextSettleTime = 0.6;
constexpr double idlePause = 1.2;
constexpr double largeChange = 0.25;
constexpr double mediaFloor = 180;
constexpr double duplicateDirtLimit = 0.01;

} // namespace

bool shouldCapture(const GateInput& input, const CapturePolicy& policy) {
    const double elapsed =
        input.lastCapture ? input.now - *input.lastCapture : std::numeric_limits<double>::infinity();

    if (!(elapsed >= policy.minInterval)) {
        return false;
    }
    if (input.contextChangedAt) {
        return input.now - *input.contextChangedAt >= contextSettleTime;
    }
    if (!input.changed) {
        return false;
    }
    if (!input.lastCapture) {
        return true;
    }
    const bool visibleChange = input.dirtyFraction >= minimumDirtyFraction;
    if (input.mediaLike) {
        // Both bounds compared on their own so that a heartbeat that is not a number fails.
        return elapsed >= mediaFloor && elapsed >= policy.heartbeat && visibleChange;
    }
    if (visibleChange && (input.inputIdle >= idlePause || elapsed >= policy.heartbeat)) {
        return true;
    }
    return input.dirtyFraction >= largeChange && elapsed >= 2 * policy.minInterval &&
           input.inputIdle >= contextSettleTime;
}

bool isDuplicate(std::optional<int> hashDistance, int newLines, double dirtyFraction) {
    return hashDistance && *hashDistance < 2 && newLines == 0 && dirtyFraction < duplicateDirtLimit;
}

} // namespace ostrel::FrameGate
