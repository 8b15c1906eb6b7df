#include "Rules/PrivacyRules.h"

namespace ostrel::PrivacyRules {
namespace {

struct PasswordManager {
    const char* bundleID;
    const char* name; // nullptr: shown by other means
};

// Reverse-DNS identifiers first, then the Linux desktop-file ids of the same applications.
constexpr PasswordManager passwordManagerTable[] = {
    {"com.1password.1password", "1Password"},
    {"com.agilebits.onepassword7", "1Password 7"},
    {"com.agilebits.onepassword-osx", "1Password 6"},
    {"com.bitwarden.desktop", "Bitwarden"},
    {"com.apple.keychainaccess", nullptr},
    {"com.apple.Passwords", nullptr},
    {"com.lastpass.LastPass", "LastPass"},
    {"org.keepassxc.keepassxc", "KeePassXC"},
    {"me.proton.pass.electron", "Proton Pass"},
    {"com.dashlane.dashlanephonefinal", "Dashlane"},
    {"in.sinew.Enpass-Desktop", "Enpass"},
    {"1password", "1Password"},
    {"bitwarden", "Bitwarden"},
    {"org.keepassxc.KeePassXC", "KeePassXC"},
    {"proton-pass", "Proton Pass"},
    {"enpass", "Enpass"},
};

} // namespace

const std::vector<std::string>& passwordManagers() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> ids;
        for (const PasswordManager& manager : passwordManagerTable) {
            ids.emplace_back(manager.bundleID);
        }
        return ids;
    }();
    return list;
}

const std::unordered_map<std::string, std::string>& passwordManagerNames() {
    static const std::unordered_map<std::string, std::string> names = [] {
        std::unordered_map<std::string, std::string> map;
        for (const PasswordManager& manager : passwordManagerTable) {
            if (manager.name) {
                map.emplace(manager.bundleID, manager.name);
            }
        }
        return map;
    }();
    return names;
}

} // namespace ostrel::PrivacyRules
