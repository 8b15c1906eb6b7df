#pragma once

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QString>
#include <QStyle>
#include <QWidget>

#include <array>
#include <memory>
#include <utility>

namespace testsupport {

// A dark palette like a desktop's dark theme.
inline QPalette darkPalette() {
    QPalette palette;
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(0x2b, 0x2b, 0x2e)},
        {QPalette::WindowText, QColor(0xe9, 0xe9, 0xec)},
        {QPalette::Base, QColor(0x1f, 0x1f, 0x22)},
        {QPalette::AlternateBase, QColor(0x33, 0x33, 0x37)},
        {QPalette::Text, QColor(0xe9, 0xe9, 0xec)},
        {QPalette::Button, QColor(0x3a, 0x3a, 0x3e)},
        {QPalette::ButtonText, QColor(0xe9, 0xe9, 0xec)},
        {QPalette::Highlight, QColor(0x3d, 0x6b, 0xc4)},
        {QPalette::HighlightedText, QColor(Qt::white)},
        {QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3e)},
        {QPalette::ToolTipText, QColor(0xe9, 0xe9, 0xec)},
        {QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93)},
        {QPalette::Light, QColor(0x4a, 0x4a, 0x4e)},
        {QPalette::Midlight, QColor(0x40, 0x40, 0x44)},
        {QPalette::Mid, QColor(0x30, 0x30, 0x33)},
        {QPalette::Dark, QColor(0x18, 0x18, 0x1a)},
        {QPalette::Shadow, QColor(Qt::black)},
        {QPalette::Link, QColor(0x6a, 0x9c, 0xf0)},
    };
    for (const auto& [role, color] : roles) {
        palette.setColor(role, color);
    }
    return palette;
}

// The style's own light palette.
inline QPalette lightPalette() {
    return QApplication::style()->standardPalette();
}

// The application in a light or a dark palette for the life of the object, as when the desktop
// switches its theme; widgets that follow the palette have caught up when the constructor returns.
class ScopedPalette {
  public:
    explicit ScopedPalette(const QPalette& palette) : previous_(QApplication::palette()) { apply(palette); }
    ~ScopedPalette() { apply(previous_); }
    ScopedPalette(const ScopedPalette&) = delete;
    ScopedPalette& operator=(const ScopedPalette&) = delete;

  private:
    static void apply(const QPalette& palette) {
        QApplication::setPalette(palette);
        QApplication::processEvents();
    }
    QPalette previous_;
};

// The two appearances pictures are taken in, with the suffix of their file names.
inline std::array<std::pair<const char*, QPalette>, 2> appearances() {
    return {{{"light", lightPalette()}, {"dark", darkPalette()}}};
}

// Saves `picture` as "<name>.png" in the build folder's "pictures" folder, where a person can look
// at it; returns whether it was written.
inline bool savePicture(const QImage& picture, const QString& name) {
    const QDir folder(QStringLiteral(VESPERLINE_PICTURES_DIR));
    folder.mkpath(".");
    return picture.save(folder.filePath(name + ".png"));
}

// Saves a picture of `widget` as it is now, as "<name>.png" in the pictures folder.
inline bool savePicture(QWidget& widget, const QString& name) {
    QApplication::processEvents();
    return savePicture(widget.grab().toImage(), name);
}

// Saves pictures of `widget` as it is now in each appearance, "<name>-light.png" and
// "<name>-dark.png"; for a widget in the middle of a test, which cannot be built afresh.
inline bool savePictures(QWidget& widget, const QString& name) {
    bool saved = true;
    for (const auto& [suffix, palette] : appearances()) {
        ScopedPalette appearance(palette);
        saved = savePicture(widget, name + "-" + suffix) && saved;
    }
    return saved;
}

// Builds a window with `make` once in each appearance, shows it and saves its picture as
// "<name>-light.png" and "<name>-dark.png"; returns whether both were written.
template <typename Make> bool savePictures(const QString& name, Make make) {
    bool saved = true;
    for (const auto& [suffix, palette] : appearances()) {
        ScopedPalette appearance(palette);
        std::unique_ptr<QWidget> window = make();
        window->show();
        saved = savePicture(*window, name + "-" + suffix) && saved;
    }
    return saved;
}

} // namespace testsupport
