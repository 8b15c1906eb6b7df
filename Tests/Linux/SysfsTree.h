#pragma once

#include "Support/TemporaryDirectory.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace testsupport {

// A stand-in for the kernel's attribute folders (/sys, /proc) in a temporary folder.
class SysfsTree {
  public:
    const std::filesystem::path& root() const { return folder_.path(); }

    // Writes `values` (file name -> content) into `folder`, relative to the root, creating it.
    void set(const std::filesystem::path& folder, const std::map<std::string, std::string>& values) const {
        std::filesystem::create_directories(root() / folder);
        for (const auto& [name, value] : values) {
            std::ofstream(root() / folder / name) << value << "\n";
        }
    }
    void remove(const std::filesystem::path& file) const { std::filesystem::remove(root() / file); }

  private:
    TemporaryDirectory folder_;
};

} // namespace testsupport
