#include "Store/BackupExclusion.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

namespace vesperline::BackupExclusion {

bool isExcluded(const std::filesystem::path& folder) noexcept {
    std::ifstream tag(folder / tagFileName, std::ios::binary);
    std::string start(std::strlen(signature), '\0');
    return tag && tag.read(start.data(), static_cast<std::streamsize>(start.size())) && start == signature;
}

bool apply(const std::filesystem::path& folder, bool excluded) noexcept {
    std::error_code error;
    const std::filesystem::path tag = folder / tagFileName;
    if (!excluded) {
        std::filesystem::remove(tag, error);
        return !error;
    }
    if (isExcluded(folder)) {
        return true;
    }
    // Written beside and moved into place, so a backup never sees half a tag.
    QSaveFile out(QString::fromStdString(tag.string()));
    // Like every file of the memory, the owner's only.
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        return false;
    }
    out.write(signature);
    out.write("\n# This file is a cache directory tag created by Vesperline: its screen memory\n"
              "# stays out of backups. Turn the setting off in Vesperline to back it up.\n"
              "# For information about cache directory tags, see https://bford.info/cachedir/\n");
    return out.commit();
}

} // namespace vesperline::BackupExclusion
