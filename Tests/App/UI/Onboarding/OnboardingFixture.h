#pragma once

#include "Model/AppSettings.h"
#include "Model/HotKeyManager.h"
#include "Platform/Fake/FakeGlobalShortcut.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Support/QtPrinters.h"
#include "UI/Onboarding/OnboardingController.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vesperline {

// What the tour is made over: settings in memory, installed applications, permissions the test
// grants and withdraws, a US keyboard for the shortcut's text, and a record of each finish with the
// step stored at that moment.
class OnboardingFixture : public ::testing::Test {
  protected:
    OnboardingFixture() { keyboard.texts = {{40, "k"}}; }

    AppSettings& settings() {
        if (!settings_) {
            settings_ = std::make_unique<AppSettings>(store);
        }
        return *settings_;
    }
    OnboardingController::Services services() {
        return {settings(),
                *applicationsInUse,
                [this] { return screen; },
                [this] { return accessibility; },
                [this] { ++accessibilityRequests; },
                [this](const HotKeyCombo& combo) { return hotKeys.displayString(combo); },
                tray};
    }
    std::function<void()> finish() {
        return [this] { finishes.push_back(store->value(OnboardingController::stepKey)); };
    }
    void storeStep(const QVariant& step) { store->values.insert(OnboardingController::stepKey, step); }
    QVariant storedStep() const { return store->value(OnboardingController::stepKey); }

    std::shared_ptr<platform::MemorySettingsStore> store = std::make_shared<platform::MemorySettingsStore>();
    platform::FakeInstalledApplications applications;
    platform::InstalledApplications* applicationsInUse = &applications;
    platform::FakeGlobalShortcut keyboard;
    HotKeyManager hotKeys{keyboard};
    bool screen = true;
    bool tray = true;
    bool accessibility = false;
    int accessibilityRequests = 0;
    // The step stored when each finish ran.
    std::vector<QVariant> finishes;

  private:
    std::unique_ptr<AppSettings> settings_;
};

} // namespace vesperline
