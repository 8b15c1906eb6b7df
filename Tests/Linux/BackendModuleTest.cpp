#include "Platform/Linux/BackendModule.h"
#include "Platform/LanguageModelError.h"
#include "Platform/Linux/BackendModuleApi.h"
#include "Platform/Linux/LazyLanguageModel.h"
#include "Platform/Linux/LazyTextRecognizer.h"
#include "Platform/Linux/LazyVideoFiles.h"
#include "Platform/MediaError.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

using namespace vesperline;
using namespace vesperline::platform;

namespace {

// The first calls come from worker threads, several at once.
template <typename Call> void onThreads(int count, Call call) {
    std::vector<std::jthread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(call);
    }
}

// A shared object that is not the module: the C library this test runs on.
std::filesystem::path cLibrary() {
    Dl_info info{};
    EXPECT_NE(::dladdr(reinterpret_cast<void*>(&std::strlen), &info), 0);
    return info.dli_fname;
}

TEST(BackendModuleTest, AModuleThatCannotBeLoadedFailsEveryCallTheWayItsInterfaceReportsFailure) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::filesystem::path notAModule =
        std::filesystem::path(folder.path().toStdString()) / "garbage.so";
    std::ofstream(notAModule) << "not an ELF file";
    const struct {
        std::filesystem::path file;
        std::string reasonMentions;
    } cases[] = {
        {std::filesystem::path(folder.path().toStdString()) / "missing.so", "missing.so"},
        {notAModule, "garbage.so"},
        {cLibrary(), BackendModuleApi::entryPoint},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.file.string());
        std::atomic<int> reports = 0;
        std::string reported;
        BackendModule module(each.file,
                             {.recognitionMessages = {}, .loadFailed = [&](const std::string& reason) {
                                  ++reports;
                                  reported = reason;
                              }});
        LazyTextRecognizer recognizer(module);
        LazyVideoFiles videoFiles(module);
        LazyLanguageModel languageModel(module);

        onThreads(4, [&] { EXPECT_TRUE(recognizer.supportedLanguages().empty()); });
        const ostrel::BGRAImage picture(8, 8);
        EXPECT_THROW(recognizer.recognize(picture.view(), std::nullopt, {"en-US"}), TextRecognitionError);
        try {
            videoFiles.openReader(each.file);
            ADD_FAILURE() << "opened a reader without the module";
        } catch (const MediaError& error) {
            EXPECT_EQ(error.kind(), MediaError::Kind::other);
            EXPECT_NE(std::string(error.what()).find(each.reasonMentions), std::string::npos) << error.what();
        }
        EXPECT_THROW(
            videoFiles.createWriter(std::filesystem::path(folder.path().toStdString()) / "new.mp4", {}),
            MediaError);
        EXPECT_EQ(languageModel.checkAvailability({}), LanguageModel::Unavailability::other);
        EXPECT_THROW(languageModel.respond(
                         {.instructions = "", .prompt = "Hello", .schema = {}, .schemaName = ""}, {}),
                     LanguageModelError);

        EXPECT_FALSE(module.isLoaded());
        EXPECT_EQ(reports, 1) << "reported once, not on every call";
        EXPECT_EQ(module.failure(), reported);
        EXPECT_NE(reported.find(each.reasonMentions), std::string::npos) << reported;
    }
}

TEST(BackendModuleTest, TheFirstCallLoadsTheModuleOnceAndReachesTheRealBackEnds) {
    ::unsetenv("VESPERLINE_MODEL_URL");
    std::atomic<int> failures = 0;
    BackendModule module(VESPERLINE_BACKEND_MODULE,
                         {.recognitionMessages = {}, .loadFailed = [&](const std::string&) { ++failures; }});
    LazyTextRecognizer recognizer(module);
    LazyVideoFiles videoFiles(module);
    LazyLanguageModel languageModel(module);
    EXPECT_FALSE(module.isLoaded());

    onThreads(4, [&] {
        const std::vector<std::string> languages = recognizer.supportedLanguages();
        EXPECT_NE(std::find(languages.begin(), languages.end(), "en-US"), languages.end());
    });
    EXPECT_TRUE(module.isLoaded());
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(module.failure(), "");

    // FFmpeg's own verdict on a missing file, thrown in the module and caught here by its type.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    try {
        videoFiles.openReader(std::filesystem::path(folder.path().toStdString()) / "missing.mp4");
        ADD_FAILURE() << "opened a missing file";
    } catch (const MediaError& error) {
        EXPECT_EQ(error.kind(), MediaError::Kind::unreadable) << error.what();
    }
    EXPECT_EQ(languageModel.checkAvailability({}), LanguageModel::Unavailability::notConfigured);
}

} // namespace
