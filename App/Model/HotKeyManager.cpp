#include "Model/HotKeyManager.h"

#include <QCoreApplication>
#include <QStringList>

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
