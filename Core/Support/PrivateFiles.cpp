#include "Support/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel::PrivateFiles {

void prepare(const std::filesystem::path& file) noexcept {
    // O_EXCL: a file that is there already, or a link, is never replaced or followed into.
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        // The mode asked for at creation is narrowed by the umask only, never widened: 0600 stands.
        ::close(descriptor);
        return;
    }
    restrict(file);
}

void restrict(const std::filesystem::path& file) noexcept {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 077) != 0) {
        ::chmod(file.c_str(), info.st_mode & 07700);
    }
}

} // namespace ostrel::PrivateFiles
