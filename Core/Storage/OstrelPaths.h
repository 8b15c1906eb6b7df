#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace ostrel::OstrelPaths {

// Every place on disk where the memory is kept. Computed from the environment on every call.

inline constexpr const char* folderName = "Ostrel";
inline constexpr const char* databaseFileName = "ostrel.sqlite";
inline constexpr const char* framesFolderName = "Frames.noindex";

// `OSTREL_DATA_DIR` when set and not empty (used as is); else `$XDG_DATA_HOME/Ostrel`, with
// `~/.local/share` standing in for an unset or relative XDG_DATA_HOME.
std::filesystem::path rootDirectory();
std::filesystem::path databaseURL();
std::filesystem::path framesDirectory();
std::filesystem::path framesSubdirectory(const std::string& name);
std::filesystem::path segmentsDirectory();
std::filesystem::path pendingDirectory();
std::filesystem::path tmpDirectory();
// A path stored relative to the frames folder (segment paths begin with "segments/").
std::filesystem::path frameFileURL(const std::string& relativePath);

// Creates the data folder, the frames folder and its "pending", "segments" and "tmp" folders where
// missing, each with mode 0700; the data folder itself ends with mode 0700. Throws the first failure.
void ensureDirectories();

// Disk space one file takes (allocated blocks); 0 when it cannot be read.
std::int64_t allocatedSize(const std::filesystem::path& file);

// Disk space of every regular, non-hidden file below `folder`; hidden folders are not entered.
std::int64_t directorySize(const std::filesystem::path& folder);

// "%04d-%02d-%02d" of the local date of `time` (the TZ of the process).
std::string dayKey(Time time);
std::string dayKey(int year, int month, int day);

} // namespace ostrel::OstrelPaths
