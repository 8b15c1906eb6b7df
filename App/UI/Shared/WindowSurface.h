#pragma once

#include <QObject>

class QWidget;

namespace vesperline {

namespace platform {
class WindowPixels;
}

// One top-level window of ours as it stands on the desktop, for the widgets in it whose work is
// only for the eye (the pulse ring): whether other windows cover all of it, so they rest as they do
// while it is hidden or minimised, and whether small pictures can be put straight onto it, so an
// animation need not repaint the window around it. Attached to the window it describes, so those
// widgets, however deep in shared views, find it without being handed it; whoever follows the window
// on the desktop (the window manager, for the main window) fills it in. A window nobody follows is
// never covered and takes no pictures. Main thread.
class WindowSurface final : public QObject {
    Q_OBJECT

  public:
    // The surface of the top-level widget `window`, made on first use and owned by it.
    static WindowSurface& of(QWidget& window);

    bool covered() const { return covered_; }
    void setCovered(bool covered);
    // Null when pictures cannot be put onto the window directly.
    platform::WindowPixels* pixels() const { return pixels_; }
    // `pixels` must outlive the window.
    void setPixels(platform::WindowPixels* pixels);

  signals:
    void changed();

  private:
    explicit WindowSurface(QWidget& window);

    bool covered_ = false;
    platform::WindowPixels* pixels_ = nullptr;
};

} // namespace vesperline
