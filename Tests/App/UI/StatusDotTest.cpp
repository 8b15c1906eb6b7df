#include "UI/Shared/StatusDot.h"
#include "Support/ViewPictures.h"
#include "UI/Shared/PulseRing.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace vesperline;

namespace {

PulseRing* ringOf(StatusDot& dot) {
    return dot.findChild<PulseRing*>("pulseRing");
}

} // namespace

TEST(StatusDotTest, TheRingShowsAndRunsOnlyWhilePulsing) {
    StatusDot dot(Theme::green, false);
    dot.show();
    PulseRing* ring = ringOf(dot);
    ASSERT_NE(ring, nullptr);
    EXPECT_FALSE(ring->isVisible());
    EXPECT_FALSE(ring->animating());

    dot.setPulsing(true);
    EXPECT_TRUE(ring->isVisible());
    EXPECT_TRUE(ring->animating());
    dot.setPulsing(false);
    EXPECT_FALSE(ring->animating());
}

TEST(StatusDotTest, TheGrownRingFitsInsideTheWidget) {
    StatusDot dot(Theme::green, true);
    dot.resize(dot.sizeHint());
    dot.show();
    EXPECT_EQ(dot.dotRect().size(), QSizeF(8, 8));
    EXPECT_EQ(dot.dotRect().center(), QRectF(dot.rect()).center());
    const double grown = StatusDot::diameter * PulseRing::grownScale;
    QRectF grownRing(0, 0, grown, grown);
    grownRing.moveCenter(QRectF(dot.rect()).center());
    EXPECT_TRUE(QRectF(ringOf(dot)->geometry()).contains(grownRing));
    EXPECT_TRUE(QRectF(dot.rect()).contains(grownRing));
}

TEST(StatusDotTest, ClicksPassThroughTheRing) {
    QWidget window;
    auto* dot = new StatusDot(Theme::green, true, &window);
    dot->resize(dot->sizeHint());
    window.show();
    const QPoint centre = dot->rect().center();
    EXPECT_NE(dot->childAt(centre), ringOf(*dot));
    EXPECT_TRUE(ringOf(*dot)->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST(StatusDotTest, LeavingAndReturningStartsOneFreshPulse) {
    StatusDot dot(Theme::green, true);
    dot.show();
    PulseRing* ring = ringOf(dot);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ring->runningMilliseconds() > 300; }));
    const qint64 ranFor = ring->runningMilliseconds();
    dot.hide();
    EXPECT_FALSE(ring->animating());
    EXPECT_EQ(ring->progress(), 0);
    dot.show();
    EXPECT_TRUE(ring->animating());
    EXPECT_LT(ring->runningMilliseconds(), ranFor);
}

TEST(StatusDotTest, AnAppearanceSwitchRecoloursWithoutRestarting) {
    testsupport::ScopedPalette light(testsupport::lightPalette());
    StatusDot dot(Theme::green, true);
    dot.show();
    PulseRing* ring = ringOf(dot);
    QColor lightStroke = Theme::mint.ink.resolved(Theme::Appearance::light);
    lightStroke.setAlphaF(0.5f);
    EXPECT_EQ(ring->strokeColor(), lightStroke);
    EXPECT_EQ(dot.fillColor(), Theme::mint.ink.resolved(Theme::Appearance::light));

    ASSERT_TRUE(QTest::qWaitFor([&] { return ring->runningMilliseconds() > 150; }));
    const qint64 before = ring->runningMilliseconds();
    {
        testsupport::ScopedPalette dark(testsupport::darkPalette());
        QColor darkStroke = Theme::mint.pastel;
        darkStroke.setAlphaF(0.5f);
        EXPECT_EQ(ring->strokeColor(), darkStroke);
        EXPECT_EQ(dot.fillColor(), Theme::mint.pastel);
        EXPECT_GE(ring->runningMilliseconds(), before);
    }
}

TEST(StatusDotTest, Pictures) {
    for (const auto& [suffix, palette] : testsupport::appearances()) {
        testsupport::ScopedPalette appearance(palette);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* recording = new StatusDot(Theme::green, true);
        layout->addWidget(recording);
        layout->addWidget(new QLabel("Recording"));
        layout->addWidget(new StatusDot(Theme::orange, false));
        layout->addWidget(new QLabel("Paused"));
        layout->addWidget(new StatusDot(Theme::red, false));
        layout->addWidget(new QLabel("Error"));
        layout->addWidget(new StatusDot(Theme::gray, false));
        layout->addWidget(new QLabel("Stopped"));
        window.show();
        // Half way through a pulse, where the ring shows best.
        PulseRing* ring = ringOf(*recording);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ring->progress() > 0.4 && ring->progress() < 0.6; }, 3000));
        EXPECT_TRUE(testsupport::savePicture(window, QString("status-dot-") + suffix));
    }
}
