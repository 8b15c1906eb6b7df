#pragma once

#include "Platform/GlobalShortcut.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace vesperline::platform {

// A desktop with one keyboard layout, given as `texts`; `taken` lists the shortcuts other programs
// hold. `press` plays a press of the held shortcut the way the real desktop reports it: later, on
// the main thread.
class FakeGlobalShortcut final : public GlobalShortcut {
  public:
    struct Shortcut {
        std::uint32_t keyCode = 0;
        ShortcutModifiers modifiers;
        bool operator==(const Shortcut&) const = default;
    };

    std::map<std::uint32_t, std::string> texts;
    // Native key -> virtual key code.
    std::map<std::uint32_t, std::uint32_t> nativeKeys;
    std::vector<Shortcut> taken;
    std::optional<Shortcut> held;
    int grabs = 0;
    int releases = 0;

    bool grab(std::uint32_t keyCode, ShortcutModifiers modifiers) override {
        release();
        ++grabs;
        const Shortcut wanted{keyCode, modifiers};
        if (std::find(taken.begin(), taken.end(), wanted) != taken.end()) {
            return false;
        }
        held = wanted;
        return true;
    }
    void release() override {
        if (held) {
            ++releases;
            held.reset();
        }
    }
    void setPressHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    std::optional<std::string> keyText(std::uint32_t keyCode) override {
        const auto found = texts.find(keyCode);
        return found == texts.end() ? std::nullopt : std::optional(found->second);
    }

    std::optional<std::uint32_t> keyCodeOfNativeKey(std::uint32_t nativeKey) override {
        const auto found = nativeKeys.find(nativeKey);
        return found == nativeKeys.end() ? std::nullopt : std::optional(found->second);
    }

    // Whether a press was delivered: only a held shortcut reports one.
    bool press() {
        if (!held) {
            return false;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this] {
                if (handler_) {
                    handler_();
                }
            },
            Qt::QueuedConnection);
        return true;
    }

  private:
    std::function<void()> handler_;
};

} // namespace vesperline::platform
