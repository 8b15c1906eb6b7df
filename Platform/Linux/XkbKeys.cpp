#include "Platform/Linux/XkbKeys.h"

#include <string_view>
#include <utility>

namespace vesperline::platform::XkbKeys {

namespace {

// Virtual key codes are positions on the keyboard; XKB names the same positions, whatever
// keycodes the X server uses for them.
constexpr std::pair<std::uint32_t, const char*> positions[] = {
    // Letters, digits and punctuation, by their place on a US keyboard.
    {0, "AC01"},
    {1, "AC02"},
    {2, "AC03"},
    {3, "AC04"},
    {4, "AC06"},
    {5, "AC05"},
    {6, "AB01"},
    {7, "AB02"},
    {8, "AB03"},
    {9, "AB04"},
    {10, "LSGT"},
    {11, "AB05"},
    {12, "AD01"},
    {13, "AD02"},
    {14, "AD03"},
    {15, "AD04"},
    {16, "AD06"},
    {17, "AD05"},
    {18, "AE01"},
    {19, "AE02"},
    {20, "AE03"},
    {21, "AE04"},
    {22, "AE06"},
    {23, "AE05"},
    {24, "AE12"},
    {25, "AE09"},
    {26, "AE07"},
    {27, "AE11"},
    {28, "AE08"},
    {29, "AE10"},
    {30, "AD12"},
    {31, "AD09"},
    {32, "AD07"},
    {33, "AD11"},
    {34, "AD08"},
    {35, "AD10"},
    {36, "RTRN"},
    {37, "AC09"},
    {38, "AC07"},
    {39, "AC11"},
    {40, "AC08"},
    {41, "AC10"},
    {42, "BKSL"},
    {43, "AB08"},
    {44, "AB10"},
    {45, "AB06"},
    {46, "AB07"},
    {47, "AB09"},
    {48, "TAB"},
    {49, "SPCE"},
    {50, "TLDE"},
    {51, "BKSP"},
    {53, "ESC"},
    // Keypad.
    {65, "KPDL"},
    {67, "KPMU"},
    {69, "KPAD"},
    {71, "NMLK"},
    {75, "KPDV"},
    {76, "KPEN"},
    {78, "KPSU"},
    {81, "KPEQ"},
    {82, "KP0"},
    {83, "KP1"},
    {84, "KP2"},
    {85, "KP3"},
    {86, "KP4"},
    {87, "KP5"},
    {88, "KP6"},
    {89, "KP7"},
    {91, "KP8"},
    {92, "KP9"},
    // Function keys.
    {122, "FK01"},
    {120, "FK02"},
    {99, "FK03"},
    {118, "FK04"},
    {96, "FK05"},
    {97, "FK06"},
    {98, "FK07"},
    {100, "FK08"},
    {101, "FK09"},
    {109, "FK10"},
    {103, "FK11"},
    {111, "FK12"},
    {105, "FK13"},
    {107, "FK14"},
    {113, "FK15"},
    {106, "FK16"},
    {64, "FK17"},
    {79, "FK18"},
    {80, "FK19"},
    {90, "FK20"},
    // Navigation; the help key sits where PC keyboards have Insert.
    {114, "INS"},
    {115, "HOME"},
    {116, "PGUP"},
    {117, "DELE"},
    {119, "END"},
    {121, "PGDN"},
    {123, "LEFT"},
    {124, "RGHT"},
    {125, "DOWN"},
    {126, "UP"},
};

} // namespace

const char* positionName(std::uint32_t keyCode) {
    for (const auto& [code, name] : positions) {
        if (code == keyCode) {
            return name;
        }
    }
    return nullptr;
}

std::optional<xkb_keycode_t> keycode(xkb_keymap* keymap, std::uint32_t keyCode) {
    const char* name = positionName(keyCode);
    if (!name) {
        return std::nullopt;
    }
    const xkb_keycode_t key = xkb_keymap_key_by_name(keymap, name);
    if (key == XKB_KEYCODE_INVALID) {
        return std::nullopt;
    }
    return key;
}

std::optional<std::uint32_t> keyCodeAt(xkb_keymap* keymap, xkb_keycode_t key) {
    const char* name = xkb_keymap_key_get_name(keymap, key);
    if (!name) {
        return std::nullopt;
    }
    for (const auto& [code, position] : positions) {
        if (std::string_view(position) == name) {
            return code;
        }
    }
    return std::nullopt;
}

std::optional<std::string> text(xkb_keymap* keymap, xkb_layout_index_t layout, std::uint32_t keyCode) {
    const std::optional<xkb_keycode_t> key = keycode(keymap, keyCode);
    if (!key) {
        return std::nullopt;
    }
    // A state with only the layout set: no modifier is held, as for a key shown on its own.
    State state(xkb_state_new(keymap), &xkb_state_unref);
    if (!state) {
        return std::nullopt;
    }
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, layout);
    char buffer[64];
    const int length = xkb_state_key_get_utf8(state.get(), *key, buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<int>(sizeof buffer)) {
        return std::nullopt;
    }
    const std::string typed(buffer, length);
    // Return, Tab, Escape, Delete and the keypad's Enter type control characters: nothing to show.
    for (const unsigned char byte : typed) {
        if (byte < 0x20 || byte == 0x7f) {
            return std::nullopt;
        }
    }
    return typed;
}

} // namespace vesperline::platform::XkbKeys
