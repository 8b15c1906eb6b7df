#include "UI/Settings/ShortcutRecorder.h"

#include "Model/HotKeyManager.h"
#include "UI/Theme/Theme.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <array>

namespace vesperline {

namespace {

constexpr int recorderMinimumWidth = 110;
constexpr std::uint32_t escapeKey = 53;
// F1 to F12: shortcuts of their own, without Super or Ctrl.
constexpr std::array<std::uint32_t, 12> functionKeys{122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};

// Modifier keys pressed on their own are part of a shortcut still being typed.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutRecorder::ShortcutRecorder(HotKeyManager& hotKeys, HotKeyCombo combo, QWidget* parent)
    : QPushButton(parent), hotKeys_(hotKeys), combo_(combo) {
    setMinimumWidth(recorderMinimumWidth);
    Theme::applyText(this, Theme::TextStyle::body, Theme::Level::primary, QFont::Medium);
    connect(this, &QPushButton::clicked, this, [this] { recording_ ? stop() : start(); });
    showCombo();
}

ShortcutRecorder::~ShortcutRecorder() {
    stop();
}

void ShortcutRecorder::setCombo(const HotKeyCombo& combo) {
    combo_ = combo;
    showCombo();
}

void ShortcutRecorder::start() {
    recording_ = true;
    // Every key event of the application passes here first while listening.
    qApp->installEventFilter(this);
    showCombo();
}

void ShortcutRecorder::stop() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    qApp->removeEventFilter(this);
    showCombo();
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (!recording_) {
        return QPushButton::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken here, the key fires no shortcut and comes as a key press instead.
        event->accept();
        return true;
    case QEvent::KeyPress:
        event->accept();
        keyPressed(static_cast<const QKeyEvent&>(*event));
        return true;
    default:
        return QPushButton::eventFilter(watched, event);
    }
}

void ShortcutRecorder::keyPressed(const QKeyEvent& key) {
    if (isModifierKey(key.key())) {
        return;
    }
    const std::optional<std::uint32_t> code = hotKeys_.keyCode(key.key(), key.nativeScanCode());
    if (key.key() == Qt::Key_Escape || code == escapeKey) {
        stop();
        return;
    }
    if (!code) {
        return;
    }
    const std::uint32_t modifiers = HotKeyManager::carbonModifiers(key.modifiers());
    const bool held = (modifiers & (HotKeyCombo::command | HotKeyCombo::control)) != 0;
    if (!held && std::find(functionKeys.begin(), functionKeys.end(), *code) == functionKeys.end()) {
        return;
    }
    combo_ = {*code, modifiers};
    stop();
    emit recorded(combo_);
}

void ShortcutRecorder::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        stop();
    }
}

void ShortcutRecorder::hideEvent(QHideEvent* event) {
    stop();
    QPushButton::hideEvent(event);
}

void ShortcutRecorder::showCombo() {
    setText(recording_ ? tr("Type shortcut…") : hotKeys_.displayString(combo_));
    update();
}

void ShortcutRecorder::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (recording_) {
        // Tinted while listening: rose text on a rose-washed button.
        const QColor ink = Theme::rose.ink.resolved(palette());
        const QColor wash = Theme::blend(palette().color(QPalette::Button), Theme::rose.pastel, 0.35);
        option.palette.setColor(QPalette::ButtonText, ink);
        option.palette.setColor(QPalette::Button, wash);
    }
    painter.drawControl(QStyle::CE_PushButton, option);
}

} // namespace vesperline
