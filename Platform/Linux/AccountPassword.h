#pragma once

#include <string>
#include <string_view>

// Whether an account has a password that can be typed at all. A locked or disabled password (key-only
// and auto-login accounts, root in a container) refuses every password PAM is given, exactly as a
// wrong one, so it has to be read from the account itself.
namespace vesperline::platform::AccountPassword {

enum class State {
    // A password is set and not locked.
    usable,
    // Locked or disabled: the field starts with "!" or "*".
    locked,
    // The field is empty.
    empty,
    // Nothing could be read about it.
    unknown,
};

// What a stored password field (of the shadow or the passwd entry) says.
State ofField(std::string_view field);

// What one line of `passwd --status` says: "name P ...", "name L ..." or "name NP ...".
State ofStatusLine(std::string_view line);

// The account's state: its shadow entry where this process may read it, else its passwd entry when
// that holds the field itself, else what `passwd --status` says (which any user may ask of their own
// account), else unknown. Takes a few milliseconds when it has to ask `passwd`.
State of(const std::string& user);

} // namespace vesperline::platform::AccountPassword
