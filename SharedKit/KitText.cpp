#include "SharedKit/KitText.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <algorithm>

namespace vesperline::KitText {

namespace {

double scale(Size size) {
    switch (size) {
    case Size::title:
        return 22.0 / 13.0;
    case Size::body:
        return 1.0;
    case Size::callout:
        return 12.0 / 13.0;
    case Size::caption:
        return 10.0 / 13.0;
    }
    return 1.0;
}

// Keeps a label's look while the application's palette or font changes.
class Keeper final : public QObject {
  public:
    Keeper(QLabel* label, Size size, Strength strength, QFont::Weight weight)
        : QObject(label), label_(label), size_(size), strength_(strength), weight_(weight) {
        label->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == label_ && !applying_ &&
            (type == QEvent::ApplicationPaletteChange || type == QEvent::PaletteChange ||
             type == QEvent::ApplicationFontChange)) {
            apply();
        }
        return false;
    }

  private:
    void apply() {
        // Setting the palette reports a palette change of its own.
        applying_ = true;
        label_->setFont(font(size_, weight_));
        QPalette colours = label_->palette();
        colours.setColor(QPalette::WindowText, color(QApplication::palette(), strength_));
        label_->setPalette(colours);
        applying_ = false;
    }

    QLabel* label_;
    Size size_;
    Strength strength_;
    QFont::Weight weight_;
    bool applying_ = false;
};

} // namespace

QFont font(Size size, QFont::Weight weight) {
    QFont font = QApplication::font();
    // An application font given in pixels has no point size to scale.
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * scale(size));
    } else {
        font.setPixelSize(std::max(1, int(font.pixelSize() * scale(size) + 0.5)));
    }
    font.setWeight(weight);
    return font;
}

QColor color(const QPalette& palette, Strength strength) {
    QColor text = palette.color(QPalette::WindowText);
    switch (strength) {
    case Strength::primary:
        break;
    case Strength::secondary:
        text.setAlphaF(0.68);
        break;
    case Strength::tertiary:
        text.setAlphaF(0.45);
        break;
    }
    return text;
}

void style(QLabel* label, Size size, Strength strength, QFont::Weight weight) {
    label->setTextFormat(Qt::PlainText);
    new Keeper(label, size, strength, weight);
}

} // namespace vesperline::KitText
