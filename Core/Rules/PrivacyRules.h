#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace ostrel::PrivacyRules {

// Known password managers, in a fixed order: the default set of excluded applications.
const std::vector<std::string>& passwordManagers();

// Display names of the password managers that have one (the system keychain applications have none).
const std::unordered_map<std::string, std::string>& passwordManagerNames();

} // namespace ostrel::PrivacyRules
