#pragma once

#include "Rules/ProjectRule.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrel::ProjectInference {

// The project of a window: the first of the user's rules whose keyword the folded title and address
// contain; else, from the app, the page's host (browsers), the workspace (code editors), the working
// folder or first meaningful title part (terminals), the document name (document apps) or the folder
// (file manager). Absent when nothing names one.
std::optional<std::string> infer(const std::optional<std::string>& bundleID,
                                 const std::optional<std::string>& appName,
                                 const std::optional<std::string>& windowTitle,
                                 const std::optional<std::string>& address,
                                 const std::vector<ProjectRule>& rules);

// The title cut at its separators (" — ", " – ", " - ", " | ", " · "), each part trimmed of white space
// and status glyphs; empty parts are dropped.
std::vector<std::string> cleanTitle(const std::string& title);

// The lower-case host of a page address without a leading "www." label; absent when the address
// does not parse as a URL reference or has no authority host (e.g. no scheme and no "//").
std::optional<std::string> host(const std::optional<std::string>& address);

// The lower-case scheme of an address ("https", "file", "chrome"); absent when it does not parse as a
// URL reference or has none.
std::optional<std::string> scheme(const std::optional<std::string>& address);

} // namespace ostrel::ProjectInference
