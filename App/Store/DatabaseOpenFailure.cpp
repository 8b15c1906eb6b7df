#include "Store/DatabaseOpenFailure.h"

#include "Runtime/FailureDescription.h"
#include "Storage/OstrelPaths.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace fs = std::filesystem;

namespace vesperline::DatabaseOpenFailure {
namespace {

QString text(const char* source) {
    return QCoreApplication::translate("DatabaseOpenFailure", source);
}

QString quoted(const fs::path& path) {
    return QStringLiteral("“%1”").arg(QString::fromStdString(path.string()));
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether this thread may use `path` for `mode` (R_OK, W_OK, ...), judged as the kernel judges its
// own file operations (effective ids and capabilities); the error when it may not.
std::optional<int> accessError(const fs::path& path, int mode) {
    if (::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0) {
        return std::nullopt;
    }
    return errno;
}

// What is wrong with one file of the database (the file or a companion), if anything. A missing
// file is not wrong: SQLite makes it, and the folder it goes in is looked at apart.
std::optional<QString> fileProblem(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return text("Vesperline cannot reach the database file %1: %2.").arg(quoted(file), reason(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return text("%1 is a folder where Vesperline needs a file of its database. Move the folder "
                    "away, then try again.")
            .arg(quoted(file));
    }
    if (!S_ISREG(info.st_mode)) {
        return text("%1 is not a regular file, so Vesperline cannot keep its database there. Move it "
                    "away, then try again.")
            .arg(quoted(file));
    }
    if (const std::optional<int> error = accessError(file, R_OK)) {
        return text("Vesperline may not read its database file %1 (%2). Give your user permission to "
                    "read and write it, then try again.")
            .arg(quoted(file), reason(*error));
    }
    if (const std::optional<int> error = accessError(file, W_OK)) {
        if (*error == EROFS) {
            return text("The database file %1 is on a disk that can only be read. Vesperline needs to "
                        "write it.")
                .arg(quoted(file));
        }
        return text("Vesperline may not write its database file %1 (%2). Give your user permission to "
                    "read and write it, then try again.")
            .arg(quoted(file), reason(*error));
    }
    return std::nullopt;
}

std::optional<QString> folderProblem(const fs::path& folder) {
    if (const std::optional<int> error = accessError(folder, R_OK | W_OK | X_OK)) {
        return text("Vesperline may not use its data folder %1 (%2). Give your user permission to read "
                    "and write it, then try again.")
            .arg(quoted(folder), reason(*error));
    }
    return std::nullopt;
}

} // namespace

QString describe(const fs::path& dataDirectory, const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const fs::filesystem_error& failure) {
        // Making the data folder tree failed.
        return text("Vesperline cannot create its data folder %1: %2.")
            .arg(quoted(failure.path1().empty() ? dataDirectory : failure.path1()),
                 QString::fromLocal8Bit(std::strerror(failure.code().value())));
    } catch (...) {
    }
    const fs::path database = ostrel::OstrelPaths::databaseURL(dataDirectory);
    for (const std::string suffix : {"", "-wal", "-shm"}) {
        if (std::optional<QString> problem = fileProblem(database.string() + suffix)) {
            return *problem;
        }
    }
    if (std::optional<QString> problem = folderProblem(dataDirectory)) {
        return *problem;
    }
    return text("Vesperline could not open its database %1: %2")
        .arg(quoted(database), QString::fromStdString(describeFailure(error)));
}

} // namespace vesperline::DatabaseOpenFailure
