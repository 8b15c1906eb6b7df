#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ostrel::PrivacyRules {

// Known password managers, in a fixed order: the default set of excluded applications.
const std::vector<std::string>& passwordManagers();

// Display names of the password managers that have one (the system keychain applications have none).
const std::unordered_map<std::string, std::string>& passwordManagerNames();

// Whether a browser window's title marks it as a private or incognito window, in any of the known
// languages and in any letter case (the title is folded before it is compared).
bool isPrivateWindowTitle(const std::optional<std::string>& title);

// Whether a page address matches one of the user's excluded sites. Entries are trimmed and folded;
// an entry matches when the address's host (lower case, without "www.") or the address itself contains
// it, so it also covers every subdomain. An entry pasted with its scheme, "www." or trailing slash
// also matches as the site it names: without them, against the address without its scheme and
// "www."; a path in it must still be found in the address. The title takes no part in the decision.
bool matchesExcludedSite(const std::optional<std::string>& url, const std::optional<std::string>& title,
                         const std::vector<std::string>& sites);

} // namespace ostrel::PrivacyRules
