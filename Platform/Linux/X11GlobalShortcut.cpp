#include "Platform/Linux/X11GlobalShortcut.h"

#include "Platform/Linux/ApplicationX11.h"
#include "Platform/Linux/X11Connection.h"

#include <QGuiApplication>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace vesperline::platform {

namespace {

// The modifier bits that the server's modifier map gives the Alt, Super and NumLock keys.
struct ModifierBits {
    std::uint16_t alt = 0;
    std::uint16_t super = 0;
    std::uint16_t numLock = 0;
};

bool typesAny(xkb_keymap* keymap, xkb_keycode_t key, std::initializer_list<xkb_keysym_t> wanted) {
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &syms);
        for (int i = 0; i < count; ++i) {
            if (std::find(wanted.begin(), wanted.end(), syms[i]) != wanted.end()) {
                return true;
            }
        }
    }
    return false;
}

ModifierBits modifierBits(xcb_connection_t* connection, xkb_keymap* keymap) {
    ModifierBits bits;
    const auto reply =
        x11Reply(xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (reply) {
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
        const int perModifier = reply->keycodes_per_modifier;
        // Rows 0 to 2 are Shift, Lock and Control; Alt, Super and NumLock live in Mod1 to Mod5.
        for (int row = 3; row < 8; ++row) {
            for (int column = 0; column < perModifier; ++column) {
                const xcb_keycode_t key = keycodes[row * perModifier + column];
                if (key == 0) {
                    continue;
                }
                const auto bit = static_cast<std::uint16_t>(1u << row);
                if (!bits.alt && typesAny(keymap, key, {XKB_KEY_Alt_L, XKB_KEY_Alt_R, XKB_KEY_Meta_L})) {
                    bits.alt = bit;
                }
                if (!bits.super && typesAny(keymap, key, {XKB_KEY_Super_L, XKB_KEY_Super_R})) {
                    bits.super = bit;
                }
                if (!bits.numLock && typesAny(keymap, key, {XKB_KEY_Num_Lock})) {
                    bits.numLock = bit;
                }
            }
        }
    }
    // Where the map says nothing, the usual places.
    if (!bits.alt) {
        bits.alt = XCB_MOD_MASK_1;
    }
    if (!bits.super) {
        bits.super = XCB_MOD_MASK_4;
    }
    return bits;
}

} // namespace

X11GlobalShortcut::X11GlobalShortcut(QObject* parent)
    : QObject(parent), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref) {
    const ApplicationX11 x11 = applicationX11();
    if (!x11.connection) {
        return;
    }
    connection_ = x11.connection;
    root_ = x11.root;
    if (context_ && xkb_x11_setup_xkb_extension(
                        connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        keyboard_ = xkb_x11_get_core_keyboard_device_id(connection_);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11GlobalShortcut::~X11GlobalShortcut() {
    if (connection_) {
        release();
        if (QCoreApplication::instance()) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }
}

XkbKeys::Keymap X11GlobalShortcut::keymap() {
    if (keyboard_ < 0) {
        return XkbKeys::Keymap(nullptr, &xkb_keymap_unref);
    }
    return XkbKeys::Keymap(
        xkb_x11_keymap_new_from_device(context_.get(), connection_, keyboard_, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
}

bool X11GlobalShortcut::grab(std::uint32_t keyCode, ShortcutModifiers modifiers) {
    release();
    if (!connection_ || root_ == XCB_NONE) {
        return false;
    }
    const XkbKeys::Keymap map = keymap();
    if (!map) {
        return false;
    }
    const std::optional<xkb_keycode_t> key = XkbKeys::keycode(map.get(), keyCode);
    // Core key grabs carry 8-bit keycodes.
    if (!key || *key > 255) {
        return false;
    }
    const ModifierBits bits = modifierBits(connection_, map.get());
    Held held;
    held.keycode = static_cast<xcb_keycode_t>(*key);
    held.modifiers = static_cast<std::uint16_t>(
        (modifiers.control ? XCB_MOD_MASK_CONTROL : 0) | (modifiers.shift ? XCB_MOD_MASK_SHIFT : 0) |
        (modifiers.alt ? bits.alt : 0) | (modifiers.super ? bits.super : 0));
    held.ignored = static_cast<std::uint16_t>((XCB_MOD_MASK_LOCK | bits.numLock) & ~held.modifiers);

    std::vector<std::uint16_t> combinations;
    for (const std::uint16_t locks : {std::uint16_t(0), std::uint16_t(XCB_MOD_MASK_LOCK), bits.numLock,
                                      std::uint16_t(XCB_MOD_MASK_LOCK | bits.numLock)}) {
        const auto combination = static_cast<std::uint16_t>(held.modifiers | (locks & held.ignored));
        if (std::find(combinations.begin(), combinations.end(), combination) == combinations.end()) {
            combinations.push_back(combination);
        }
    }
    // All requests first, then all checks: one round trip. The grab reports to the root window
    // even while a window of ours has the focus (owner_events off), so the filter sees every press.
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint16_t combination : combinations) {
        cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, combination, held.keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookies[i])) {
            std::free(error);
            refused = true;
        } else {
            held.grabbed.push_back(combinations[i]);
        }
    }
    if (refused) {
        ungrab(held.keycode, held.grabbed);
        return false;
    }
    held_ = std::move(held);
    return true;
}

void X11GlobalShortcut::ungrab(xcb_keycode_t keycode, const std::vector<std::uint16_t>& combinations) {
    // Checked, so the server has let go of them all before this returns: another program may
    // take the combination right after.
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint16_t combination : combinations) {
        cookies.push_back(xcb_ungrab_key_checked(connection_, keycode, root_, combination));
    }
    for (const xcb_void_cookie_t cookie : cookies) {
        std::free(xcb_request_check(connection_, cookie));
    }
}

void X11GlobalShortcut::release() {
    if (held_) {
        ungrab(held_->keycode, held_->grabbed);
        held_.reset();
    }
    down_ = false;
    lastRelease_.reset();
}

void X11GlobalShortcut::setPressHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

std::optional<std::string> X11GlobalShortcut::keyText(std::uint32_t keyCode) {
    const XkbKeys::Keymap map = keymap();
    if (!map) {
        return std::nullopt;
    }
    // The layout in use right now; the modifiers held at this moment do not matter.
    const XkbKeys::State state(xkb_x11_state_new_from_device(map.get(), connection_, keyboard_),
                               &xkb_state_unref);
    const xkb_layout_index_t layout =
        state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    return XkbKeys::text(map.get(), layout, keyCode);
}

std::optional<std::uint32_t> X11GlobalShortcut::keyCodeOfNativeKey(std::uint32_t nativeKey) {
    const XkbKeys::Keymap map = keymap();
    return map ? XkbKeys::keyCodeAt(map.get(), nativeKey) : std::nullopt;
}

bool X11GlobalShortcut::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!held_ || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Press and release events share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != root_ || key->detail != held_->keycode) {
        return false;
    }
    if (type == XCB_KEY_RELEASE) {
        const bool ours = down_;
        down_ = false;
        lastRelease_ = key->time;
        return ours;
    }
    if ((key->state & 0xff & ~held_->ignored) != held_->modifiers) {
        return false;
    }
    // The keyboard repeats a key held down as a release and a press with the same time stamp.
    const bool repeated = lastRelease_ && *lastRelease_ == key->time;
    if (!down_ && !repeated) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (handler_) {
                    handler_();
                }
            },
            Qt::QueuedConnection);
    }
    down_ = true;
    return true;
}

} // namespace vesperline::platform
