#include "UI/Shared/WindowSurface.h"

#include <QWidget>

namespace vesperline {

WindowSurface::WindowSurface(QWidget& window) : QObject(&window) {}

WindowSurface& WindowSurface::of(QWidget& window) {
    if (auto* surface = window.findChild<WindowSurface*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *surface;
    }
    return *new WindowSurface(window);
}

void WindowSurface::setCovered(bool covered) {
    if (covered_ != covered) {
        covered_ = covered;
        emit changed();
    }
}

void WindowSurface::setPixels(platform::WindowPixels* pixels) {
    if (pixels_ != pixels) {
        pixels_ = pixels;
        emit changed();
    }
}

} // namespace vesperline
