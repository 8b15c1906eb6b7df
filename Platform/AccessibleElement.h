#pragma once

#include <string>

namespace vesperline::platform {

// A reference to one node of another application's accessibility tree: the application's bus
// connection and the node's object path. Holding one keeps nothing alive; a node that has gone away
// simply reads as absent.
struct AccessibleElement {
    std::string bus;
    std::string path;

    bool operator==(const AccessibleElement&) const = default;
};

} // namespace vesperline::platform
