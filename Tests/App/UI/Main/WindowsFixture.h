#pragma once

#include "App/Model/AppModelFixture.h"
#include "App/Model/ScriptedPrompt.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeLoginItem.h"
#include "Platform/Fake/FakeWindowActivation.h"
#include "Platform/Fake/FakeWindowOcclusion.h"
#include "Platform/Fake/FakeWindowPixels.h"
#include "UI/Main/WindowManager.h"

#include <QApplication>

#include <memory>

namespace vesperline::testing {

// The application's windows over an app model on the fakes (see AppModelFixture), with password
// prompts the test answers, and a tour that is a plain window with a "finish" button.
class WindowsFixture : public AppModelFixture {
  protected:
    WindowsFixture() { passwordPrompt = ScriptedPrompt::factory(prompts); }

    void TearDown() override {
        manager.reset();
        AppModelFixture::TearDown();
    }

    // Launches the model and creates the window manager over it.
    WindowManager& open() {
        launch();
        manager = std::make_unique<WindowManager>(*model, WindowManager::Services{applications, activation,
                                                                                  fileViewer, loginItem,
                                                                                  occlusion, pixels, tour()});
        return *manager;
    }

    PromptLog prompts;
    platform::FakeInstalledApplications applications;
    platform::FakeWindowActivation activation;
    platform::FakeFileViewer fileViewer;
    platform::FakeLoginItem loginItem;
    platform::FakeWindowOcclusion occlusion;
    platform::FakeWindowPixels pixels;
    // Called by the tour's window when the user completes it.
    std::function<void()> finishTour;
    std::unique_ptr<WindowManager> manager;

  private:
    WindowManager::OnboardingFactory tour() {
        return [this](std::function<void()> finish) {
            finishTour = std::move(finish);
            auto* window = new QWidget;
            window->setObjectName("tourWindow");
            return window;
        };
    }
};

} // namespace vesperline::testing
