#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vesperline::platform::XkbKeys {

// xkbcommon objects, released when they go out of scope.
using Context = std::unique_ptr<xkb_context, decltype(&xkb_context_unref)>;
using Keymap = std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)>;
using State = std::unique_ptr<xkb_state, decltype(&xkb_state_unref)>;

// The XKB name of the physical key at the position of an application virtual key code ("SPCE"
// for 49, "AC01" for 0), or null when the code names no key of a PC keyboard (modifier keys,
// keys of other keyboards).
const char* positionName(std::uint32_t keyCode);

// The key at that position on `keymap`'s keyboard, when it has one.
std::optional<xkb_keycode_t> keycode(xkb_keymap* keymap, std::uint32_t keyCode);

// The virtual key code of the position of `key` on `keymap`'s keyboard; none for keys that have
// no virtual key code.
std::optional<std::uint32_t> keyCodeAt(xkb_keymap* keymap, xkb_keycode_t key);

// What the key types in `layout` with no modifier held; none when that is nothing visible
// (a dead key, a function key, a control character) or the key is not there.
std::optional<std::string> text(xkb_keymap* keymap, xkb_layout_index_t layout, std::uint32_t keyCode);

} // namespace vesperline::platform::XkbKeys
