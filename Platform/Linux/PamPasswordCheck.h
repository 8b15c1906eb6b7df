#pragma once

#include "Platform/PasswordCheck.h"

#include <optional>
#include <string>
#include <vector>

namespace vesperline::platform {

// The user's own account password, checked by PAM (pam_authenticate) with our service
// "vesperline" when it is installed, else with the system's default stack ("other"), which on a
// desktop checks the login password. Only the first hidden question PAM asks gets the password;
// a visible question (a user name, a code) cannot be answered and fails the check.
class PamPasswordCheck final : public PasswordCheck {
  public:
    static constexpr const char* ownService = "vesperline";
    static constexpr const char* defaultService = "other";

    // The system's PAM configuration.
    PamPasswordCheck();
    // A folder of service files of its own instead (pam_start_confdir), for tests.
    explicit PamPasswordCheck(std::string configDirectory);

    bool available() override;
    Verdict check(const SecretBuffer& password) override;

    // The service checks go through: ours when installed, else the default one; none when
    // neither has a file.
    std::optional<std::string> service() const;

  private:
    std::optional<std::string> configDirectory_;
    std::vector<std::string> searchedDirectories_;
    // The user running the program; empty when the system does not know it.
    std::string user_;
};

} // namespace vesperline::platform
