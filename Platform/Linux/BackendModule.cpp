#include "Platform/Linux/BackendModule.h"

#include "Platform/Linux/BackendModuleApi.h"

#include <dlfcn.h>

#include <exception>

namespace vesperline::platform {

namespace {

const BackendModuleApi* openModule(const std::filesystem::path& file) {
    // Never closed: what it made, and the engines' own threads and handlers, live as long as the
    // process. Local, so its libraries' symbols stay out of the program's namespace.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        throw std::runtime_error(error != nullptr ? error : "dlopen failed");
    }
    auto* entry =
        reinterpret_cast<const BackendModuleApi* (*)()>(::dlsym(handle, BackendModuleApi::entryPoint));
    if (entry == nullptr) {
        throw std::runtime_error(file.string() + " has no " + BackendModuleApi::entryPoint);
    }
    const BackendModuleApi* api = entry();
    if (api == nullptr || api->version != BackendModuleApi::currentVersion) {
        throw std::runtime_error(file.string() + " is from another build of the program");
    }
    return api;
}

} // namespace

BackendModule::BackendModule(std::filesystem::path file, Handlers handlers)
    : file_(std::move(file)), handlers_(std::move(handlers)) {}

BackendModule::~BackendModule() {
    // The handler may refer to what this module's owner destroys next.
    if (api_ != nullptr) {
        api_->routeRecognitionMessages({});
    }
}

std::filesystem::path BackendModule::besideExecutable() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return executable.parent_path() / BackendModuleApi::fileName;
}

void BackendModule::load() {
    std::unique_ptr<VideoFiles> videoFiles;
    std::unique_ptr<TextRecognizer> textRecognizer;
    std::unique_ptr<LanguageModel> languageModel;
    std::string failure;
    const BackendModuleApi* api = nullptr;
    try {
        api = openModule(file_);
        videoFiles = api->makeVideoFiles();
        textRecognizer = api->makeTextRecognizer();
        languageModel = api->makeLanguageModel();
        api->routeRecognitionMessages(handlers_.recognitionMessages);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    {
        std::lock_guard lock(mutex_);
        failure_ = failure;
        if (failure.empty()) {
            api_ = api;
            videoFiles_ = std::move(videoFiles);
            textRecognizer_ = std::move(textRecognizer);
            languageModel_ = std::move(languageModel);
        }
    }
    if (!failure.empty() && handlers_.loadFailed) {
        handlers_.loadFailed(failure);
    }
}

void BackendModule::loadOnce() {
    std::call_once(loaded_, [this] { load(); });
}

VideoFiles* BackendModule::videoFiles() {
    loadOnce();
    return videoFiles_.get();
}

TextRecognizer* BackendModule::textRecognizer() {
    loadOnce();
    return textRecognizer_.get();
}

LanguageModel* BackendModule::languageModel() {
    loadOnce();
    return languageModel_.get();
}

bool BackendModule::isLoaded() const {
    std::lock_guard lock(mutex_);
    return api_ != nullptr;
}

std::string BackendModule::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

} // namespace vesperline::platform
