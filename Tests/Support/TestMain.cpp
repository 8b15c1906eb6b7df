#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <unistd.h>

// Every test program starts from the same fixed environment (time zone, locale, and what its suite
// asks for), so results do not depend on the machine that runs them.
int main(int argc, char** argv) {
    // The OpenMP runtime inside the text recogniser reads its thread limit only when it loads, so
    // the program starts itself again once with the limit in place; unlimited, its spinning
    // threads slow a loaded machine a hundredfold.
    const char* threadLimit = std::getenv("OMP_THREAD_LIMIT");
    const bool restart = !threadLimit || std::string(threadLimit) != "1";
    std::istringstream settings(VESPERLINE_TEST_ENVIRONMENT);
    for (std::string setting; std::getline(settings, setting, '|');) {
        if (const auto equals = setting.find('='); equals != std::string::npos) {
            ::setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
    }
    if (restart) {
        ::setenv("OMP_THREAD_LIMIT", "1", 1);
        ::execv("/proc/self/exe", argv);
    }
    ::tzset();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
