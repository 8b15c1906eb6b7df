#pragma once

#include "Model/HotKeyCombo.h"

#include <QPushButton>

namespace vesperline {

class HotKeyManager;

// A button that shows the global shortcut and records a new one. Pressed, it listens: the next key
// pressed anywhere in the application goes to it and to nothing else (no other shortcut of the
// application fires meanwhile). Escape stops listening and keeps the shortcut; a key with Super or
// Ctrl held, or F1 to F12 on their own, becomes the new shortcut and ends the listening; any other
// key is ignored and the recorder keeps listening. Pressing the button again, disabling or hiding
// it, or destroying it stops too.
class ShortcutRecorder final : public QPushButton {
    Q_OBJECT

  public:
    ShortcutRecorder(HotKeyManager& hotKeys, HotKeyCombo combo, QWidget* parent = nullptr);
    ~ShortcutRecorder() override;

    const HotKeyCombo& combo() const { return combo_; }
    // Shows another shortcut; reports nothing.
    void setCombo(const HotKeyCombo& combo);
    bool isRecording() const { return recording_; }

  signals:
    // The user recorded a new shortcut.
    void recorded(const HotKeyCombo& combo);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void start();
    void stop();
    void keyPressed(const QKeyEvent& key);
    void showCombo();

    HotKeyManager& hotKeys_;
    HotKeyCombo combo_;
    bool recording_ = false;
};

} // namespace vesperline
