#include "UI/Onboarding/ProgressDots.h"

#include "UI/Onboarding/OnboardingController.h"
#include "UI/Theme/Theme.h"

#include <QPainter>

namespace vesperline {

ProgressDots::ProgressDots(const OnboardingController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto follow = [this] {
        setAccessibleName(controller_.progressText());
        update();
    };
    connect(&controller_, &OnboardingController::stepChanged, this, follow);
    follow();
}

QSize ProgressDots::sizeHint() const {
    const int count = int(OnboardingController::steps.size());
    return {currentWidth + (count - 1) * dotWidth + (count - 1) * spacing, dotHeight};
}

QRectF ProgressDots::dotRect(int index) const {
    const int current = OnboardingController::raw(controller_.step());
    double x = 0;
    for (int i = 0; i < index; ++i) {
        x += (i == current ? currentWidth : dotWidth) + spacing;
    }
    const double top = (height() - dotHeight) / 2.0;
    return {x, top, double(index == current ? currentWidth : dotWidth), double(dotHeight)};
}

void ProgressDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const OnboardingController::Step step : OnboardingController::steps) {
        const int index = OnboardingController::raw(step);
        QColor fill;
        if (controller_.reached(step)) {
            fill = Theme::hues[std::size_t(index) % Theme::hues.size()].ink.resolved(palette());
        } else {
            fill = Theme::textColor(palette(), Theme::Level::secondary);
            fill.setAlphaF(fill.alphaF() * 0.25f);
        }
        painter.fillPath(Theme::capsule(dotRect(index)), fill);
    }
}

} // namespace vesperline
