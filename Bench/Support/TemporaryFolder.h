// A fresh folder under the system's temporary folder for one benchmark run, removed at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace benchsupport {

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperline-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::abort();
        }
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace benchsupport
