#pragma once

#include <QImage>
#include <QPoint>

#include <cstdint>

namespace vesperline::platform {

// Puts a small picture straight into a window of ours on the display server, past the toolkit's
// painting: an animation a few pixels across then costs one short request a picture rather than a
// repaint of the window around it. The toolkit's own copy of those pixels stays as it was, so
// whatever it paints there later shows over the picture.
class WindowPixels {
  public:
    virtual ~WindowPixels() = default;

    // Draws `picture` (opaque, RGB32, in the window's native pixels) with its top left corner at
    // `position` of `window` (the native id of a shown top-level window of ours). False when the
    // display cannot be given pixels this way (another platform, a window of an unusual depth or
    // colour layout, a picture too large): the caller paints through the toolkit. Main thread.
    virtual bool put(std::uintptr_t window, QPoint position, const QImage& picture) = 0;
};

} // namespace vesperline::platform
