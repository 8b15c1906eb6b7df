#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
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

// A data folder of one's own: "data" in a fresh temporary folder (not created until something
// creates it), for code that is handed its data folder, as the store hub is.
class DataFolder {
  public:
    DataFolder() : dataDir_(folder_.path() / "data") {}
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    const std::filesystem::path& path() const { return dataDir_; }

  private:
    TemporaryDirectory folder_;
    std::filesystem::path dataDir_;
};

// A data folder that OSTREL_DATA_DIR also names for the life of the object (restored afterwards),
// for code that finds its data folder through the environment: the MCP server and the core's path
// functions. Set it before any thread that could read the environment starts.
class ScopedDataDirectory : public DataFolder {
  public:
    ScopedDataDirectory() {
        if (const char* old = std::getenv("OSTREL_DATA_DIR")) {
            previous_ = old;
        }
        ::setenv("OSTREL_DATA_DIR", path().c_str(), 1);
    }
    ~ScopedDataDirectory() {
        if (previous_) {
            ::setenv("OSTREL_DATA_DIR", previous_->c_str(), 1);
        } else {
            ::unsetenv("OSTREL_DATA_DIR");
        }
    }

  private:
    std::optional<std::string> previous_;
};

} // namespace testsupport
