#include "UI/Shared/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vesperline::WindowPlacement {

QRect fitted(const QRect& frame, const QRect& available) {
    if (available.isEmpty()) {
        return frame;
    }
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.x(), available.left(), available.right() + 1 - size.width());
    const int y = std::clamp(frame.y(), available.top(), available.bottom() + 1 - size.height());
    return {QPoint(x, y), size};
}

void fitToScreen(QWidget& window) {
    QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    // The frame is what has to fit: the window manager's border and title bar count, once known.
    const QRect frame = window.frameGeometry();
    const QRect target = fitted(frame, available);
    if (target == frame) {
        return; // a window that fits stays exactly where it is
    }
    const QSize margins = frame.size() - window.size();
    window.setMinimumSize(window.minimumSize().boundedTo(target.size() - margins));
    window.resize(target.size() - margins);
    // A window that cannot be made as small (a fixed size, its layout's least size) keeps its size;
    // its place is worked out from the part that fits, so its top left corner is on the screen.
    const QRect resized = window.frameGeometry();
    const QPoint place = fitted(QRect(target.topLeft(), resized.size()), available).topLeft();
    if (place != resized.topLeft()) {
        window.move(place);
    }
}

} // namespace vesperline::WindowPlacement
