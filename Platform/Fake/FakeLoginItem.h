#pragma once

#include "Platform/LoginItem.h"

namespace vesperline::platform {

// A login item that is switched in memory; `refuse` makes every change fail.
class FakeLoginItem final : public LoginItem {
  public:
    bool enabled = false;
    bool refuse = false;
    int changes = 0;

    bool isEnabled() override { return enabled; }
    void setEnabled(bool on) override {
        ++changes;
        if (refuse) {
            throw LoginItemError("the desktop refused the change");
        }
        enabled = on;
    }
};

} // namespace vesperline::platform
