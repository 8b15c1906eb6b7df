// The application object of every test program that runs Qt code: one QApplication on the offscreen
// platform for the whole program, as the program has one, so main-thread hops, timers, D-Bus and X
// events, painting and widgets behave as they do for the user.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class ApplicationEnvironment final : public testing::Environment {
  public:
    // No display is needed or wanted, whoever starts the program. The platform is chosen on the
    // command line rather than in the environment, which programs the tests start inherit.
    void SetUp() override {
#ifdef VESPERLINE_TEST_ON_SESSION_DISPLAY
        // Programs that test the application's own X connection use the desktop session's display;
        // outside the session they keep to offscreen, and their tests skip.
        if (qEnvironmentVariableIsSet("VESPERLINE_DESKTOP_SESSION")) {
            std::strcpy(platform_, "xcb");
        }
#endif
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        application_.reset();
    }

  private:
    int argc_ = 3;
    char name_[16] = "VesperlineTests";
    char platformOption_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, platformOption_, platform_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace
