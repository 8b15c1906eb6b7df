#pragma once

#include <QUrl>

#include <optional>
#include <string>

namespace vesperline {

// Which recorded addresses may be handed to the desktop to open. A recorded address is untrusted
// text: any other scheme would go to whatever handler claims it.
enum class LinkRule {
    // An http or https address with a host.
    web,
    // The same, or a file address with an absolute path on this computer.
    webOrFile,
};

// A stored address as a link to open under `rule`; none when it does not qualify. Schemes are
// compared whole ("httpx:" is not http), in any case.
std::optional<QUrl> openableLink(const std::optional<std::string>& address, LinkRule rule);

} // namespace vesperline
