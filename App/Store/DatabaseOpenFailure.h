#pragma once

#include <QString>

#include <exception>
#include <filesystem>

namespace vesperline::DatabaseOpenFailure {

// What the user is told when the memory in `dataDirectory` cannot be opened for a reason other than
// damage: the file or folder at fault and what is wrong with it (a folder where the database should
// be, no permission to read or write it, a read-only disk, a data folder that cannot be made), found
// by looking at them as this thread may use them; else the error's own description.
QString describe(const std::filesystem::path& dataDirectory, const std::exception_ptr& error);

} // namespace vesperline::DatabaseOpenFailure
