// Every application test runs inside one QApplication on the offscreen platform, as the program does,
// so main-thread hops, timers and widgets behave as they do for the user.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ApplicationEnvironment final : public testing::Environment {
  public:
    void SetUp() override {
        // No display is needed or wanted, whoever starts the program.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "AppTests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace
