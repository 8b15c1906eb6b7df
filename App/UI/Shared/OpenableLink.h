#pragma once

#include <QUrl>

#include <optional>
#include <string>

namespace vesperline {

// A stored address as a link the desktop may open, for every view that offers "Open link": an http
// or https address with a host, or a file address with an absolute path on this computer (a page the
// user opened in the browser from a file here). None for anything else: a recorded address is
// untrusted text, and any other scheme would go to whatever handler claims it. Schemes are compared
// whole ("httpx:" is not http), in any case.
std::optional<QUrl> openableLink(const std::optional<std::string>& address);

} // namespace vesperline
