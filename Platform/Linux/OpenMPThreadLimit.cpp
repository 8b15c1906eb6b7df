#include "Platform/Linux/OpenMPThreadLimit.h"

#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace vesperline::platform {

void restartWithOneOpenMPThread(char** argv) {
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::string_view(limit) == "1") {
        return;
    }
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
}

} // namespace vesperline::platform
