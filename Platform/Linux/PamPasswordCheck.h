#pragma once

#include "Platform/Linux/AccountPassword.h"
#include "Platform/PasswordCheck.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesperline::platform {

// The user's own account password, checked by PAM (pam_authenticate) with our service
// "vesperline" when it is installed, else with the system's default stack ("other"), which on a
// desktop checks the login password. Only the first hidden question PAM asks gets the password;
// a visible question (a user name, a code) cannot be answered and fails the check.
//
// Whether a password can be checked at all is the account's matter: an account whose password is
// locked or empty has none to type, and a stack that finds no authentication information for the
// account (or does not know it) cannot check one; both are `unavailable`, never `refused`.
class PamPasswordCheck final : public PasswordCheck {
  public:
    static constexpr const char* ownService = "vesperline";
    static constexpr const char* defaultService = "other";
    // Reads the state of an account's password.
    using AccountReader = std::function<AccountPassword::State(const std::string& user)>;

    // The system's PAM configuration and the user's own account.
    PamPasswordCheck();
    // A folder of service files of its own instead (pam_start_confdir) and what the account is said
    // to be, for tests.
    PamPasswordCheck(std::string configDirectory, AccountReader account);

    // The user is known, a service is installed, and the account's password is neither locked nor
    // empty (or cannot be read: then the stack decides).
    bool available() override;
    Verdict check(const SecretBuffer& password) override;

    // The service checks go through: ours when installed, else the default one; none when
    // neither has a file.
    std::optional<std::string> service() const;

  private:
    std::optional<std::string> configDirectory_;
    std::vector<std::string> searchedDirectories_;
    AccountReader account_;
    // The user running the program; empty when the system does not know it.
    std::string user_;
};

} // namespace vesperline::platform
