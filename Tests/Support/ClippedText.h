#pragma once

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace testsupport {

// The texts of the labels shown in `root` that do not fit their label: a wrapped one shorter than
// its text needs at its width, any other narrower or shorter than its text. Empty when everything
// shows whole.
inline QStringList clippedTexts(QWidget& root) {
    QApplication::processEvents();
    QStringList clipped;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty()) {
            continue;
        }
        const QSize needed = label->sizeHint();
        const bool fits = label->wordWrap()
                              ? label->height() >= label->heightForWidth(label->width())
                              : label->width() >= needed.width() && label->height() >= needed.height();
        if (!fits) {
            clipped << label->text();
        }
    }
    return clipped;
}

} // namespace testsupport
