#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <unistd.h>

// Every test program starts from the same fixed environment (time zone, locale, and what its suite
// asks for), so results do not depend on the machine that runs them.
int main(int argc, char** argv) {
    std::istringstream settings(VESPERLINE_TEST_ENVIRONMENT);
    for (std::string setting; std::getline(settings, setting, '|');) {
        if (const auto equals = setting.find('='); equals != std::string::npos) {
            ::setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
    }
    ::tzset();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
