#pragma once

#include "Runtime/Delays.h"
#include "Support/ManualClock.h"

#include <QPointer>

#include <algorithm>
#include <functional>
#include <vector>

namespace testsupport {

// Waits that end only when the test moves time on: `advance` moves the clock and runs, in order of
// their end, the waits that end meanwhile, each with the clock at its end. Main thread only.
class ManualDelays final : public vesperline::Delays {
  public:
    explicit ManualDelays(ManualClock& clock) : clock_(clock) {}

    void after(double seconds, QObject* receiver, std::function<void()> block) override {
        waits_.push_back({clock_.uptime() + seconds, order_++, receiver, std::move(block)});
    }

    // Moves the clock `seconds` on and ends the waits due by then, also those started meanwhile.
    void advance(double seconds) {
        const double target = clock_.uptime() + seconds;
        for (;;) {
            const auto next =
                std::min_element(waits_.begin(), waits_.end(), [](const Wait& a, const Wait& b) {
                    return a.due != b.due ? a.due < b.due : a.order < b.order;
                });
            if (next == waits_.end() || next->due > target) {
                break;
            }
            Wait due = std::move(*next);
            waits_.erase(next);
            clock_.advance(due.due - clock_.uptime());
            if (due.receiver) {
                due.block();
            }
        }
        clock_.advance(target - clock_.uptime());
    }

    // The waits not yet ended whose receiver still lives.
    int pending() const {
        return static_cast<int>(std::count_if(waits_.begin(), waits_.end(),
                                              [](const Wait& wait) { return !wait.receiver.isNull(); }));
    }

  private:
    struct Wait {
        double due;
        long order;
        QPointer<QObject> receiver;
        std::function<void()> block;
    };

    ManualClock& clock_;
    std::vector<Wait> waits_;
    long order_ = 0;
};

} // namespace testsupport
