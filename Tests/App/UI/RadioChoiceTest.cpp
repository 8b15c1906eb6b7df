// The chosen radio button stands out from its ground in both appearances.
#include "UI/Shared/RadioChoice.h"

#include "Support/ViewPictures.h"
#include "UI/Theme/Theme.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesperline {
namespace {

// The WCAG contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

TEST(RadioChoiceTest, TheChosenIndicatorStandsOutOfTheGroundInEitherAppearance) {
    for (const auto& [name, palette] : testsupport::appearances()) {
        SCOPED_TRACE(name);
        testsupport::ScopedPalette appearance(palette);
        RadioChoice chosen("Balanced — recommended");
        RadioChoice other("Saver — fewer moments, least battery");
        chosen.setChecked(true);
        for (RadioChoice* button : {&chosen, &other}) {
            button->adjustSize();
            button->show();
        }
        const QRect indicator = chosen.indicatorRect();
        ASSERT_FALSE(indicator.isEmpty());
        const QImage picture = chosen.grab().toImage();
        const QColor centre = picture.pixelColor(indicator.center());
        const QColor ring = picture.pixelColor(indicator.center() + QPoint(indicator.width() * 3 / 10, 0));
        const QColor ground = palette.color(QPalette::Window);
        EXPECT_EQ(ring, palette.color(QPalette::Highlight));
        EXPECT_GE(contrast(ring, ground), 2.5) << "the chosen indicator stands out of the window";
        EXPECT_GE(contrast(centre, ring), 3.0) << "its dot stands out of the indicator";
        const QImage unchosen = other.grab().toImage();
        const QRect otherIndicator = other.indicatorRect();
        EXPECT_NE(unchosen.pixelColor(otherIndicator.center() + QPoint(otherIndicator.width() * 3 / 10, 0)),
                  ring)
            << "the others look unchosen";
    }
}

} // namespace
} // namespace vesperline
