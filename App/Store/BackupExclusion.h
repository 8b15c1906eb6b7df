#pragma once

#include <filesystem>

// Keeping the data folder out of backups. Backup programs on this platform skip a folder that holds
// a cache directory tag: a file "CACHEDIR.TAG" that begins with the tag's fixed signature.
namespace vesperline::BackupExclusion {

inline constexpr char tagFileName[] = "CACHEDIR.TAG";
inline constexpr char signature[] = "Signature: 8a477f597d28d172789f06886806bc55";

// Puts the tag into `folder` (excluded) or takes it away; a tag already there is left as it is.
// Whether the folder is now as asked; never throws.
bool apply(const std::filesystem::path& folder, bool excluded) noexcept;

// Whether `folder` holds a tag with the signature.
bool isExcluded(const std::filesystem::path& folder) noexcept;

} // namespace vesperline::BackupExclusion
