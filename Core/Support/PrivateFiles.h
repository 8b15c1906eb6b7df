#pragma once

#include <filesystem>

// Every file of the memory (the database and its companions, segments, set-aside copies) and the
// settings may be read and written by their owner only.
namespace ostrel::PrivateFiles {

// Creates an empty file at `file` with mode 0600 when nothing is there yet, so that whatever fills
// it later (SQLite, the video encoder) keeps that mode; an existing file only loses what group and
// others may do with it. Best effort: whoever opens the file next reports what is wrong with it.
void prepare(const std::filesystem::path& file) noexcept;

// Takes from `file`, when it exists, whatever group and others may do with it.
void restrict(const std::filesystem::path& file) noexcept;

} // namespace ostrel::PrivateFiles
