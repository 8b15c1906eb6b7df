// What the launch alert says when the memory cannot be opened for a reason other than damage.
#include "Store/DatabaseOpenFailure.h"

#include "Storage/MemoryStore.h"
#include "Storage/OstrelPaths.h"
#include "Store/StoreHub.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using namespace vesperline;
namespace fs = std::filesystem;

namespace {

// Takes from the calling thread alone the power to read and write files whatever their mode, which
// root has: the kernel then judges this thread's file operations by their permissions, as for any
// user.
bool dropFileAccessOverride() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        data[capability / 32].effective &= ~(1u << (capability % 32));
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Opens a store hub on `data` as the launch does, on a thread of its own (which alone may lose the
// override first), and returns what the alert would say.
QString launchAlertText(const fs::path& data, bool withoutOverride, bool& overrideDropped) {
    QString text;
    overrideDropped = true;
    std::thread([&] {
        if (withoutOverride && ::geteuid() == 0 && !(overrideDropped = dropFileAccessOverride())) {
            return;
        }
        try {
            StoreHub hub(data);
            text = "opened";
        } catch (...) {
            text = DatabaseOpenFailure::describe(data, std::current_exception());
        }
    }).join();
    return text;
}

QString quoted(const fs::path& path) {
    return QString::fromStdString("“" + path.string() + "”");
}

TEST(DatabaseOpenFailureTest, TheAlertNamesTheFileAndWhatIsWrongWithIt) {
    struct Case {
        const char* name;
        // Makes the trouble below a fresh folder; returns the data folder and the place at fault.
        std::function<std::pair<fs::path, fs::path>(const fs::path& folder)> prepare;
        const char* says;
    };
    const Case cases[] = {
        {"a folder in place of the database",
         [](const fs::path& folder) {
             const fs::path data = folder / "data";
             fs::create_directories(ostrel::OstrelPaths::databaseURL(data));
             return std::pair(data, ostrel::OstrelPaths::databaseURL(data));
         },
         "is a folder"},
        {"a folder in place of its log",
         [](const fs::path& folder) {
             const fs::path data = folder / "data";
             const fs::path log = ostrel::OstrelPaths::databaseURL(data).string() + "-wal";
             fs::create_directories(log);
             return std::pair(data, log);
         },
         "is a folder"},
        {"a data folder inside a file",
         [](const fs::path& folder) {
             std::ofstream(folder / "file") << "x";
             return std::pair(folder / "file" / "data", folder / "file" / "data");
         },
         "cannot create its data folder"},
    };
    for (const Case& c : cases) {
        testsupport::TemporaryDirectory folder;
        const auto [data, place] = c.prepare(folder.path());
        bool dropped = false;
        const QString text = launchAlertText(data, false, dropped);
        EXPECT_TRUE(text.contains(quoted(place))) << c.name << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(c.says)) << c.name << ": " << text.toStdString();
    }
}

TEST(DatabaseOpenFailureTest, ADatabaseThatMayNotBeReadIsNamed) {
    testsupport::TemporaryDirectory folder;
    const fs::path data = folder.path() / "data";
    fs::create_directories(data);
    const fs::path database = ostrel::OstrelPaths::databaseURL(data);
    ostrel::MemoryStore(database, false).setMetaValue("k", "v");
    fs::permissions(database, fs::perms::none);
    bool dropped = false;
    // Root reads any file: the thread that opens gives up that power first.
    const QString text = launchAlertText(data, true, dropped);
    if (!dropped) {
        GTEST_SKIP() << "running as root, and root's override of file permissions could not be dropped";
    }
    EXPECT_TRUE(text.contains(quoted(database) + " (Permission denied)")) << text.toStdString();
    EXPECT_TRUE(text.contains("may not read")) << text.toStdString();
}

} // namespace
