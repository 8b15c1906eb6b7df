#pragma once

namespace vesperline {

namespace platform {
class LoginItem;
}

// Starts the application at login, or no longer: changes the login item only when it is not
// already as asked. A change the desktop refuses is logged as "Login item change failed: ..." and
// goes no further. Main thread.
void setLaunchAtLogin(platform::LoginItem& loginItem, bool enabled);

} // namespace vesperline
