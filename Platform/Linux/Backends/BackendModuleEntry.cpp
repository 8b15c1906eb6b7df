// The back-ends module's one entry point: the heavy libraries (FFmpeg, Tesseract, curl) are loaded
// with it, on first use, not when the program starts.
#include "Platform/Linux/BackendModuleApi.h"
#include "Platform/Linux/ChatCompletionsClient.h"
#include "Platform/Linux/FFmpegVideoFiles.h"
#include "Platform/Linux/TesseractMessages.h"
#include "Platform/Linux/TesseractTextRecognizer.h"

using namespace vesperline::platform;

extern "C" __attribute__((visibility("default"))) const BackendModuleApi* vesperline_backend_module() {
    static const BackendModuleApi api{
        .version = BackendModuleApi::currentVersion,
        .makeVideoFiles = []() -> std::unique_ptr<VideoFiles> {
            return std::make_unique<FFmpegVideoFiles>();
        },
        .makeTextRecognizer = []() -> std::unique_ptr<TextRecognizer> {
            return std::make_unique<TesseractTextRecognizer>();
        },
        .makeLanguageModel = []() -> std::unique_ptr<LanguageModel> {
            return std::make_unique<ChatCompletionsClient>(ChatCompletionsClient::settingsFromEnvironment());
        },
        .routeRecognitionMessages = &TesseractMessages::routeTo,
    };
    return &api;
}
