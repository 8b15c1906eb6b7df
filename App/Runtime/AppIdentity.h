#pragma once

namespace vesperline {

// The application's reverse-DNS id: the desktop-file id, the prefix of every queue label and the
// subsystem of every log category. Kept in one place so they cannot drift apart.
inline constexpr char appID[] = "org.vesperline.Vesperline";

} // namespace vesperline
