#pragma once

#include <stdexcept>

namespace vesperline::platform {

// Whether the desktop starts the application when the user logs in.
class LoginItem {
  public:
    virtual ~LoginItem() = default;

    // Whether the desktop will start the application at the next login. Main thread.
    virtual bool isEnabled() = 0;
    // Asks for the application to be started at login, or no longer; throws LoginItemError when
    // that could not be arranged, leaving things as they were. Main thread.
    virtual void setEnabled(bool enabled) = 0;
};

// A change of the login item that failed: the description says what and why.
class LoginItemError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace vesperline::platform
