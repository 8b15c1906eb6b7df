#pragma once

#include <QWidget>

namespace vesperline {

// The quick-search panel's window: frameless, above other windows, kept out of the taskbar (a
// tool window), on the theme's ground with a hairline edge. It holds one content widget and tells
// when it stops being the active window, so its owner can hide it.
class QuickSearchPanel final : public QWidget {
    Q_OBJECT

  public:
    // `content` fills the panel, which takes ownership of it.
    QuickSearchPanel(QSize size, QWidget* content);

  signals:
    // Another window took the keyboard.
    void deactivated();

  protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vesperline
