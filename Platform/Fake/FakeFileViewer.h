#pragma once

#include "Platform/FileViewer.h"

#include <vector>

namespace vesperline::platform {

// Keeps the folders it was asked to show.
class FakeFileViewer final : public FileViewer {
  public:
    std::vector<std::filesystem::path> shown;

    void showFolder(const std::filesystem::path& folder) override { shown.push_back(folder); }
};

} // namespace vesperline::platform
