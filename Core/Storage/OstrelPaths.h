#pragma once

#include "Support/Time.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace ostrel::OstrelPaths {

// Every place on disk where the memory is kept. The forms without a data folder compute it from the
// environment on every call; the application reads it once and passes it on (see StoreHub).

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

// The same places below a given data folder.
std::filesystem::path databaseURL(const std::filesystem::path& root);
std::filesystem::path framesDirectory(const std::filesystem::path& root);
std::filesystem::path framesSubdirectory(const std::filesystem::path& root, const std::string& name);
std::filesystem::path frameFileURL(const std::filesystem::path& root, const std::string& relativePath);

// Creates the data folder, the frames folder and its "pending", "segments" and "tmp" folders where
// missing, each with mode 0700; the data folder itself ends with mode 0700. Throws the first failure.
void ensureDirectories();
void ensureDirectories(const std::filesystem::path& root);

// Disk space one file takes (allocated blocks); 0 when it cannot be read.
std::int64_t allocatedSize(const std::filesystem::path& file);

// Disk space of every regular, non-hidden file below `folder`; hidden folders are not entered.
std::int64_t directorySize(const std::filesystem::path& folder);

// "%04d-%02d-%02d" of the local date of `time`, in the time zone in force now.
std::string dayKey(Time time);
std::string dayKey(int year, int month, int day);

} // namespace ostrel::OstrelPaths
