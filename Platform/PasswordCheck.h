#pragma once

#include "Platform/SecretBuffer.h"

#include <string>

namespace vesperline::platform {

// Checks a password against the account of the user running the program.
class PasswordCheck {
  public:
    struct Verdict {
        enum class Kind {
            accepted,
            // Not the user's password.
            refused,
            // The account has nothing to check a password against (no password information can be
            // had for it): this system cannot authenticate the user at all.
            unavailable,
            // The check itself went wrong; `failure` says what, as "What failed: description".
            failed,
        };
        Kind kind = Kind::failed;
        std::string failure;
    };

    virtual ~PasswordCheck() = default;

    // Whether this system can check the user's password at all: the account has a password that can
    // be typed and there is a way to check it. Quick enough for the main thread (milliseconds).
    virtual bool available() = 0;
    // Blocks, for seconds after a wrong password (the system slows guessing down): call it off the
    // main thread. The caller owns and wipes `password`.
    virtual Verdict check(const SecretBuffer& password) = 0;
};

} // namespace vesperline::platform
