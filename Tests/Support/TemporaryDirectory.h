#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperline-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Points OSTREL_DATA_DIR at a temporary folder for the life of the object, restoring it afterwards.
class ScopedDataDirectory {
  public:
    ScopedDataDirectory() : dataDir_(folder_.path() / "data") {
        if (const char* old = std::getenv("OSTREL_DATA_DIR")) {
            previous_ = old;
            hadPrevious_ = true;
        }
        ::setenv("OSTREL_DATA_DIR", dataDir_.c_str(), 1);
    }
    ~ScopedDataDirectory() {
        if (hadPrevious_) {
            ::setenv("OSTREL_DATA_DIR", previous_.c_str(), 1);
        } else {
            ::unsetenv("OSTREL_DATA_DIR");
        }
    }

    // The data folder (not created until something creates it).
    const std::filesystem::path& path() const { return dataDir_; }
    // The parent temporary folder, for files that must lie outside the data folder.
    const std::filesystem::path& scratch() const { return folder_.path(); }

  private:
    TemporaryDirectory folder_;
    std::filesystem::path dataDir_;
    std::string previous_;
    bool hadPrevious_ = false;
};

} // namespace testsupport
