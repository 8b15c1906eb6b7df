#pragma once

#include "Platform/LanguageModel.h"
#include "Platform/TextRecognizer.h"
#include "Platform/VideoFiles.h"

#include <functional>
#include <memory>
#include <string_view>

namespace vesperline::platform {

// What the back-ends module (video files, text recognition, the language model) hands the program
// that loads it. Both sides are built together, so C++ types cross the boundary; the version only
// catches a module left over from another build.
struct BackendModuleApi {
    static constexpr int currentVersion = 1;
    static constexpr const char* entryPoint = "vesperline_backend_module";
    static constexpr const char* fileName = "vesperline-backends.so";

    int version = 0;
    std::unique_ptr<VideoFiles> (*makeVideoFiles)() = nullptr;
    std::unique_ptr<TextRecognizer> (*makeTextRecognizer)() = nullptr;
    // The model at the address the environment names.
    std::unique_ptr<LanguageModel> (*makeLanguageModel)() = nullptr;
    // Where what the recognition engine prints goes.
    void (*routeRecognitionMessages)(std::function<void(std::string_view line)> handler) = nullptr;
};

} // namespace vesperline::platform
