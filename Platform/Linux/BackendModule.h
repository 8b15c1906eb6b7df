#pragma once

#include "Platform/LanguageModel.h"
#include "Platform/TextRecognizer.h"
#include "Platform/VideoFiles.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vesperline::platform {

struct BackendModuleApi;

// The back-ends module, loaded the first time one of its services is asked for (from any thread, once)
// and kept for the rest of the process. A module that cannot be loaded is reported once, through
// `Handlers::loadFailed`; its services are then absent and the reason stays in `failure()`.
class BackendModule {
  public:
    struct Handlers {
        // Receives what the text recognition engine prints, from the load on.
        std::function<void(std::string_view line)> recognitionMessages;
        std::function<void(const std::string& reason)> loadFailed;
    };

    BackendModule(std::filesystem::path file, Handlers handlers);
    ~BackendModule();
    BackendModule(const BackendModule&) = delete;
    BackendModule& operator=(const BackendModule&) = delete;

    // The module in the folder of the running executable.
    static std::filesystem::path besideExecutable();

    // Each loads the module if it is not yet; null when it could not be loaded.
    VideoFiles* videoFiles();
    TextRecognizer* textRecognizer();
    LanguageModel* languageModel();

    bool isLoaded() const;
    // Why the module could not be loaded; empty before a load was tried and after one that succeeded.
    std::string failure() const;

  private:
    void load();
    void loadOnce();

    std::filesystem::path file_;
    Handlers handlers_;
    std::once_flag loaded_;
    mutable std::mutex mutex_;
    // Set once the module is loaded.
    const BackendModuleApi* api_ = nullptr;
    std::string failure_;
    std::unique_ptr<VideoFiles> videoFiles_;
    std::unique_ptr<TextRecognizer> textRecognizer_;
    std::unique_ptr<LanguageModel> languageModel_;
};

} // namespace vesperline::platform
