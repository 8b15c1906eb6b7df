#pragma once

#include <string>

namespace vesperline {

// What the build records about the application, each entry as text (empty when not given); the
// build generates the table from the project's version and its options.
struct BuildInfo {
    std::string displayName = {};
    std::string name = {};
    // The marketing version, such as "2.3".
    std::string shortVersion = {};
    std::string build = {};
    std::string websiteURL = {};
    std::string supportEmail = {};
    std::string copyright = {};
    // Where updates are announced and the public key that signs them; both are needed for updates.
    std::string updateFeedURL = {};
    std::string updatePublicKey = {};

    // The table of this build.
    static const BuildInfo& current();
};

} // namespace vesperline
