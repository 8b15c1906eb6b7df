#include "Platform/Linux/GioApplicationLauncher.h"
#include "Support/TemporaryDirectory.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace vesperline::platform {
namespace {

TEST(GioApplicationLauncherTest, StartsWhatTheDesktopFileSaysFromAnOddlyNamedFile) {
    testsupport::TemporaryDirectory folder;
    const std::filesystem::path marker = folder.path() / "launched";
    const std::filesystem::path file = folder.path() / "my \"odd\" $app.desktop";
    std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=Odd\nExec=touch " << marker.string()
                        << "\n";
    GioApplicationLauncher().launch({.id = "odd", .desktopFile = file, .icon = std::nullopt, .name = "Odd"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(marker); }, 10000));
}

} // namespace
} // namespace vesperline::platform
