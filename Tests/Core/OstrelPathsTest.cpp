#include "Storage/OstrelPaths.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

unsigned mode(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(OstrelPathsTest, DataFolderFromTheEnvironment) {
    testsupport::ScopedDataDirectory data;
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("OSTREL_DATA_DIR", "/tmp/x", 1);
    EXPECT_EQ(OstrelPaths::databaseURL(), fs::path("/tmp/x/ostrel.sqlite"));
    EXPECT_EQ(OstrelPaths::framesDirectory(), fs::path("/tmp/x/Frames.noindex"));
    EXPECT_EQ(OstrelPaths::frameFileURL("segments/2025-03-05/1-100.mp4"),
              fs::path("/tmp/x/Frames.noindex/segments/2025-03-05/1-100.mp4"));

    ::setenv("OSTREL_DATA_DIR", "", 1);
    ::setenv("XDG_DATA_HOME", "/home/someone/.data", 1);
    EXPECT_EQ(OstrelPaths::rootDirectory(), fs::path("/home/someone/.data/Ostrel"));
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(OstrelPaths::rootDirectory(), fs::path("/home/someone/.local/share/Ostrel"));
    ::setenv("HOME", home.c_str(), 1);
}

TEST(OstrelPathsTest, FirstStartCreatesFiveOwnerOnlyFolders) {
    testsupport::ScopedDataDirectory data;
    OstrelPaths::ensureDirectories();
    for (const fs::path& folder :
         {data.path(), OstrelPaths::framesDirectory(), OstrelPaths::pendingDirectory(),
          OstrelPaths::segmentsDirectory(), OstrelPaths::tmpDirectory()}) {
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(mode(folder), 0700u) << folder;
    }
}

TEST(OstrelPathsTest, ExistingFoldersKeepTheirModesButTheDataFolderBecomesOwnerOnly) {
    testsupport::ScopedDataDirectory data;
    fs::create_directories(OstrelPaths::segmentsDirectory());
    ::chmod(data.path().c_str(), 0755);
    ::chmod(OstrelPaths::segmentsDirectory().c_str(), 0755);
    OstrelPaths::ensureDirectories();
    EXPECT_EQ(mode(data.path()), 0700u);
    EXPECT_EQ(mode(OstrelPaths::segmentsDirectory()), 0755u);
    EXPECT_EQ(mode(OstrelPaths::pendingDirectory()), 0700u);
}

TEST(OstrelPathsTest, AFileInPlaceOfTheFramesFolderIsKeptAndTheFailureThrown) {
    testsupport::ScopedDataDirectory data;
    fs::create_directories(data.path());
    std::ofstream(OstrelPaths::framesDirectory()) << "not a folder";
    EXPECT_THROW(OstrelPaths::ensureDirectories(), fs::filesystem_error);
    EXPECT_TRUE(fs::is_regular_file(OstrelPaths::framesDirectory()));
}

TEST(OstrelPathsTest, DayKeys) {
    EXPECT_EQ(OstrelPaths::dayKey(2025, 3, 5), "2025-03-05");
    EXPECT_EQ(OstrelPaths::dayKey(999, 12, 31), "0999-12-31");
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
    // 2025-03-04 22:30 UTC is already 5 March in Istanbul (UTC+3).
    EXPECT_EQ(OstrelPaths::dayKey(1741127400.0), "2025-03-05");
}

TEST(OstrelPathsTest, DayKeysFollowAChangeOfTimeZoneWithoutARestart) {
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
    EXPECT_EQ(OstrelPaths::dayKey(1741127400.0), "2025-03-05");
    // The user moves to New York; nothing calls tzset for the program.
    ::setenv("TZ", "America/New_York", 1);
    EXPECT_EQ(OstrelPaths::dayKey(1741127400.0), "2025-03-04");
    ::setenv("TZ", "Europe/Istanbul", 1);
    ::tzset();
}

TEST(OstrelPathsTest, SizesCountAllocatedSpaceOfVisibleRegularFiles) {
    testsupport::TemporaryDirectory folder;
    std::ofstream(folder.path() / "visible.bin") << "0123456789";
    std::ofstream(folder.path() / ".hidden.bin") << std::string(100000, 'h');
    fs::create_directories(folder.path() / ".hidden-folder");
    std::ofstream(folder.path() / ".hidden-folder" / "inside.bin") << std::string(100000, 'h');
    fs::create_directories(folder.path() / "sub");
    std::ofstream(folder.path() / "sub" / "nested.bin") << std::string(5000, 'n');

    const auto visible = OstrelPaths::allocatedSize(folder.path() / "visible.bin");
    const auto nested = OstrelPaths::allocatedSize(folder.path() / "sub" / "nested.bin");
    EXPECT_GE(visible, 10); // whole blocks, not the 10-byte length
    EXPECT_EQ(visible % 512, 0);
    EXPECT_EQ(OstrelPaths::directorySize(folder.path()), visible + nested);
    EXPECT_EQ(OstrelPaths::allocatedSize(folder.path() / "missing"), 0);
    EXPECT_EQ(OstrelPaths::directorySize(folder.path() / "missing"), 0);
}

} // namespace
