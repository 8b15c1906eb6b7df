#pragma once

#include <filesystem>

namespace vesperline::platform {

// The desktop's file manager.
class FileViewer {
  public:
    virtual ~FileViewer() = default;

    // Brings the file manager forward with `folder` selected in the folder that holds it; where no
    // file manager answers that request, opens `folder` itself. Returns at once. Main thread.
    virtual void showFolder(const std::filesystem::path& folder) = 0;
};

} // namespace vesperline::platform
