#include "Rules/FrameGate.h"
#include "Rules/PolicyEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace ostrel {
namespace {

// balanced on mains: minInterval 2 s, heartbeat 15 s.
CapturePolicy balanced() {
    return PolicyEngine::policy(CaptureMode::balanced, {}, false, false);
}

CapturePolicy withHeartbeat(double heartbeat) {
    CapturePolicy policy = balanced();
    policy.heartbeat = heartbeat;
    return policy;
}

// A tick at t = 100 of a display saved before (3 s ago, past minInterval) that changed, with no pending
// context change and no media; each setter changes one fact.
struct Tick {
    GateInput input{100, 97, true, 0.1, 0, std::nullopt, false};

    Tick& at(double now) { return input.now = now, *this; }
    Tick& savedAt(double t) { return input.lastCapture = t, *this; }
    Tick& neverSaved() { return input.lastCapture.reset(), *this; }
    Tick& unchanged() { return input.changed = false, *this; }
    Tick& share(double fraction) { return input.dirtyFraction = fraction, *this; }
    Tick& idle(double seconds) { return input.inputIdle = seconds, *this; }
    Tick& contextChangedAt(double t) { return input.contextChangedAt = t, *this; }
    Tick& media() { return input.mediaLike = true, *this; }
};

struct GateCase {
    const char* name;
    GateInput input;
    CapturePolicy policy;
    bool expected;
};

TEST(FrameGate, DecidesByTheFirstRuleThatApplies) {
    const GateCase cases[] = {
        {"never saved, no change", Tick().neverSaved().unchanged().input, balanced(), false},
        {"never saved, changed, tiny share", Tick().neverSaved().share(0.0001).input, balanced(), true},
        {"context changed 5 s ago but saved 1 s ago", Tick().savedAt(99).contextChangedAt(95).input,
         balanced(), false},
        {"context changed 5 s ago, saved 2 s ago", Tick().savedAt(98).contextChangedAt(95).input, balanced(),
         true},
        {"context changed 0.5 s ago", Tick().contextChangedAt(99.5).input, balanced(), false},
        {"context changed 0.6 s ago, nothing changed",
         Tick().at(0.6).savedAt(-10).contextChangedAt(0).unchanged().share(0).input, balanced(), true},
        {"share 0.002, long idle, long ago", Tick().share(0.002).idle(1000).savedAt(0).input, balanced(),
         false},
        {"share 0.003 and idle 1.2 s", Tick().share(0.003).idle(1.2).input, balanced(), true},
        {"small change, busy, before heartbeat", Tick().share(0.01).input, balanced(), false},
        {"small change, busy, at heartbeat", Tick().share(0.01).savedAt(85).input, balanced(), true},
        {"share 0.3, twice minInterval, idle 0.6", Tick().share(0.3).savedAt(96).idle(0.6).input, balanced(),
         true},
        {"share 0.3, twice minInterval, idle 0.5", Tick().share(0.3).savedAt(96).idle(0.5).input, balanced(),
         false},
        {"share 0.3, just under twice minInterval", Tick().share(0.3).savedAt(96.1).idle(0.6).input,
         balanced(), false},
        {"media after 180 s", Tick().media().savedAt(-80).idle(50).input, balanced(), true},
        {"media after 179 s", Tick().media().savedAt(-79).idle(50).input, balanced(), false},
        {"media, heartbeat 200, after 199 s", Tick().media().savedAt(-99).input, withHeartbeat(200), false},
        {"media, heartbeat 200, after 200 s", Tick().media().savedAt(-100).input, withHeartbeat(200), true},
        {"media, share below 0.003", Tick().media().savedAt(-900).share(0.002).input, balanced(), false},
        {"not changed, share 0.5", Tick().unchanged().share(0.5).idle(10).input, balanced(), false},
        {"share not a number", Tick().share(NAN).idle(10).input, balanced(), false},
        {"media with heartbeat not a number", Tick().media().savedAt(-900).input, withHeartbeat(NAN), false},
    };
    for (const GateCase& c : cases) {
        EXPECT_EQ(FrameGate::shouldCapture(c.input, c.policy), c.expected) << c.name;
    }
}

TEST(FrameGate, DuplicateNeedsCloseHashNoNewLinesAndLittleChange) {
    const struct {
        std::optional<int> distance;
        int newLines;
        double share;
        bool expected;
    } cases[] = {
        {1, 0, 0.009, true},  {0, 0, 0, true},     {2, 0, 0.009, false},
        {1, 1, 0.009, false}, {1, 0, 0.01, false}, {std::nullopt, 0, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameGate::isDuplicate(c.distance, c.newLines, c.share), c.expected)
            << c.distance.value_or(-1) << " " << c.newLines << " " << c.share;
    }
    EXPECT_EQ(FrameGate::minimumDirtyFraction, 0.003);
}

} // namespace
} // namespace ostrel
