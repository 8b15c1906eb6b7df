#pragma once

#include "Platform/AccessibleRole.h"

#include <cstdint>

namespace vesperline::platform {

// Our role for an AT-SPI role number. Password entries become `secureTextField`; text controls that
// show their own value (entries, text views, terminals) become `textField` or `textArea`; the parts of
// a document that hold text beside their children (paragraphs, headings, links, cells) `textBlock`.
AccessibleRole accessibleRoleFromAtspi(std::uint32_t atspiRole);

} // namespace vesperline::platform
