#include "Model/HotKeyManager.h"

#include <QCoreApplication>
#include <QStringList>

#include <utility>

namespace vesperline {

namespace {

// Names of keys that are the same on every layout.
QString fixedName(std::uint32_t keyCode) {
    switch (keyCode) {
    case 36:
        return QStringLiteral("↩");
    case 48:
        return QStringLiteral("⇥");
    case 49:
        return QCoreApplication::translate("HotKeyManager", "Space");
    case 51:
        return QStringLiteral("⌫");
    case 53:
        return QStringLiteral("⎋");
    case 122:
        return QStringLiteral("F1");
    case 120:
        return QStringLiteral("F2");
    case 99:
        return QStringLiteral("F3");
    case 118:
        return QStringLiteral("F4");
    case 96:
        return QStringLiteral("F5");
    case 97:
        return QStringLiteral("F6");
    case 98:
        return QStringLiteral("F7");
    case 100:
        return QStringLiteral("F8");
    case 101:
        return QStringLiteral("F9");
    case 109:
        return QStringLiteral("F10");
    case 103:
        return QStringLiteral("F11");
    case 111:
        return QStringLiteral("F12");
    case 123:
        return QStringLiteral("←");
    case 124:
        return QStringLiteral("→");
    case 125:
        return QStringLiteral("↓");
    case 126:
        return QStringLiteral("↑");
    default:
        return {};
    }
}

// Where a key sits on a US keyboard, for key events that carry no native key (synthesised ones). The
// shifted characters of a key stand for the key itself.
constexpr std::pair<int, std::uint32_t> usPositions[] = {
    {Qt::Key_A, 0},
    {Qt::Key_S, 1},
    {Qt::Key_D, 2},
    {Qt::Key_F, 3},
    {Qt::Key_H, 4},
    {Qt::Key_G, 5},
    {Qt::Key_Z, 6},
    {Qt::Key_X, 7},
    {Qt::Key_C, 8},
    {Qt::Key_V, 9},
    {Qt::Key_B, 11},
    {Qt::Key_Q, 12},
    {Qt::Key_W, 13},
    {Qt::Key_E, 14},
    {Qt::Key_R, 15},
    {Qt::Key_Y, 16},
    {Qt::Key_T, 17},
    {Qt::Key_1, 18},
    {Qt::Key_Exclam, 18},
    {Qt::Key_2, 19},
    {Qt::Key_At, 19},
    {Qt::Key_3, 20},
    {Qt::Key_NumberSign, 20},
    {Qt::Key_4, 21},
    {Qt::Key_Dollar, 21},
    {Qt::Key_6, 22},
    {Qt::Key_AsciiCircum, 22},
    {Qt::Key_5, 23},
    {Qt::Key_Percent, 23},
    {Qt::Key_Equal, 24},
    {Qt::Key_Plus, 24},
    {Qt::Key_9, 25},
    {Qt::Key_ParenLeft, 25},
    {Qt::Key_7, 26},
    {Qt::Key_Ampersand, 26},
    {Qt::Key_Minus, 27},
    {Qt::Key_Underscore, 27},
    {Qt::Key_8, 28},
    {Qt::Key_Asterisk, 28},
    {Qt::Key_0, 29},
    {Qt::Key_ParenRight, 29},
    {Qt::Key_BracketRight, 30},
    {Qt::Key_BraceRight, 30},
    {Qt::Key_O, 31},
    {Qt::Key_U, 32},
    {Qt::Key_BracketLeft, 33},
    {Qt::Key_BraceLeft, 33},
    {Qt::Key_I, 34},
    {Qt::Key_P, 35},
    {Qt::Key_Return, 36},
    {Qt::Key_L, 37},
    {Qt::Key_J, 38},
    {Qt::Key_Apostrophe, 39},
    {Qt::Key_QuoteDbl, 39},
    {Qt::Key_K, 40},
    {Qt::Key_Semicolon, 41},
    {Qt::Key_Colon, 41},
    {Qt::Key_Backslash, 42},
    {Qt::Key_Bar, 42},
    {Qt::Key_Comma, 43},
    {Qt::Key_Less, 43},
    {Qt::Key_Slash, 44},
    {Qt::Key_Question, 44},
    {Qt::Key_N, 45},
    {Qt::Key_M, 46},
    {Qt::Key_Period, 47},
    {Qt::Key_Greater, 47},
    {Qt::Key_Tab, 48},
    {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49},
    {Qt::Key_QuoteLeft, 50},
    {Qt::Key_AsciiTilde, 50},
    {Qt::Key_Backspace, 51},
    {Qt::Key_Escape, 53},
    {Qt::Key_Enter, 76},
    {Qt::Key_F5, 96},
    {Qt::Key_F6, 97},
    {Qt::Key_F7, 98},
    {Qt::Key_F3, 99},
    {Qt::Key_F8, 100},
    {Qt::Key_F9, 101},
    {Qt::Key_F11, 103},
    {Qt::Key_F10, 109},
    {Qt::Key_F12, 111},
    {Qt::Key_Insert, 114},
    {Qt::Key_Home, 115},
    {Qt::Key_PageUp, 116},
    {Qt::Key_Delete, 117},
    {Qt::Key_F4, 118},
    {Qt::Key_End, 119},
    {Qt::Key_F2, 120},
    {Qt::Key_PageDown, 121},
    {Qt::Key_F1, 122},
    {Qt::Key_Left, 123},
    {Qt::Key_Right, 124},
    {Qt::Key_Down, 125},
    {Qt::Key_Up, 126},
};

} // namespace

HotKeyManager::HotKeyManager(platform::GlobalShortcut& shortcut) : shortcut_(shortcut) {}

bool HotKeyManager::registerCombo(const HotKeyCombo& combo) {
    unregisterCombo();
    registered_ = shortcut_.grab(combo.keyCode, shortcutModifiers(combo.carbonModifiers));
    return registered_;
}

void HotKeyManager::unregisterCombo() {
    if (registered_) {
        shortcut_.release();
        registered_ = false;
    }
}

void HotKeyManager::setOnPress(std::function<void()> onPress) {
    shortcut_.setPressHandler(std::move(onPress));
}

QString HotKeyManager::keyName(std::uint32_t keyCode) const {
    if (QString name = fixedName(keyCode); !name.isEmpty()) {
        return name;
    }
    if (const std::optional<std::string> text = shortcut_.keyText(keyCode)) {
        return QString::fromStdString(*text).toUpper();
    }
    return QStringLiteral("?");
}

QString HotKeyManager::displayString(const HotKeyCombo& combo) const {
    QStringList parts;
    const platform::ShortcutModifiers modifiers = shortcutModifiers(combo.carbonModifiers);
    if (modifiers.control) {
        parts << QCoreApplication::translate("HotKeyManager", "Ctrl");
    }
    if (modifiers.alt) {
        parts << QCoreApplication::translate("HotKeyManager", "Alt");
    }
    if (modifiers.shift) {
        parts << QCoreApplication::translate("HotKeyManager", "Shift");
    }
    if (modifiers.super) {
        parts << QCoreApplication::translate("HotKeyManager", "Super");
    }
    parts << keyName(combo.keyCode);
    return parts.join('+');
}

std::optional<std::uint32_t> HotKeyManager::keyCode(int qtKey, std::uint32_t nativeScanCode) const {
    if (nativeScanCode != 0) {
        return shortcut_.keyCodeOfNativeKey(nativeScanCode);
    }
    for (const auto& [key, code] : usPositions) {
        if (key == qtKey) {
            return code;
        }
    }
    return std::nullopt;
}

std::uint32_t HotKeyManager::carbonModifiers(Qt::KeyboardModifiers flags) {
    std::uint32_t bits = 0;
    if (flags & Qt::MetaModifier) {
        bits |= HotKeyCombo::command;
    }
    if (flags & Qt::ShiftModifier) {
        bits |= HotKeyCombo::shift;
    }
    if (flags & Qt::AltModifier) {
        bits |= HotKeyCombo::option;
    }
    if (flags & Qt::ControlModifier) {
        bits |= HotKeyCombo::control;
    }
    return bits;
}

platform::ShortcutModifiers HotKeyManager::shortcutModifiers(std::uint32_t carbonModifiers) {
    return {.control = (carbonModifiers & HotKeyCombo::control) != 0,
            .alt = (carbonModifiers & HotKeyCombo::option) != 0,
            .shift = (carbonModifiers & HotKeyCombo::shift) != 0,
            .super = (carbonModifiers & HotKeyCombo::command) != 0};
}

} // namespace vesperline
