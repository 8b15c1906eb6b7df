#include "UI/Shared/StatusDot.h"
#include "Platform/Fake/FakeWindowPixels.h"
#include "Support/PaintCounter.h"
#include "Support/ViewPictures.h"
#include "UI/Shared/PulseRing.h"
#include "UI/Shared/WindowSurface.h"

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

// A recording dot on a ground of its own, in a window whose surface may take pictures directly.
struct DotWindow {
    DotWindow() {
        window.setAutoFillBackground(true);
        dot = new StatusDot(Theme::green, true, &window);
        dot->move(20, 30);
        dot->resize(dot->sizeHint());
        window.resize(80, 80);
    }
    PulseRing& ring() { return *ringOf(*dot); }
    // The ring's square as the window shows it, painted by Qt.
    QImage painted() {
        return window.grab(QRect(ring().mapTo(&window, QPoint()), ring().size()))
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    QWidget window;
    StatusDot* dot;
};

} // namespace

TEST(PulseRingTest, APictureFallsDueEachTwelfthOfTheEasedWayFewerAsThePulseSlows) {
    const auto& due = PulseRing::frameTimes();
    ASSERT_EQ(due.size(), 12u);
    EXPECT_EQ(due.front(), 0);
    EXPECT_LT(due.back(), PulseRing::cycleMilliseconds);
    QEasingCurve easeOut(QEasingCurve::BezierSpline);
    easeOut.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    const auto eased = [&](int ms) {
        return easeOut.valueForProgress(double(ms) / PulseRing::cycleMilliseconds);
    };
    for (std::size_t frame = 1; frame < due.size(); ++frame) {
        SCOPED_TRACE(frame);
        // Due the first millisecond the pulse has come frame/12 of its way.
        EXPECT_LT(eased(due[frame] - 1), double(frame) / 12);
        EXPECT_GE(eased(due[frame]), double(frame) / 12);
        if (frame >= 2) {
            EXPECT_GE(due[frame] - due[frame - 1], due[frame - 1] - due[frame - 2] - 1) << "never more often";
        }
    }
    EXPECT_GT(due[1], 1000 / 20) << "at most twenty pictures a second";
}

TEST(PulseRingTest, TheRingRestsWhileItsWindowIsWhollyCovered) {
    DotWindow shown;
    shown.window.show();
    PulseRing& ring = shown.ring();
    ASSERT_TRUE(ring.animating());
    WindowSurface& surface = WindowSurface::of(shown.window);
    EXPECT_EQ(&WindowSurface::of(shown.window), &surface) << "one surface a window";

    surface.setCovered(true);
    EXPECT_FALSE(ring.animating());
    EXPECT_EQ(ring.progress(), 0);
    surface.setCovered(false);
    EXPECT_TRUE(ring.animating());
    EXPECT_LT(ring.runningMilliseconds(), 100) << "a fresh pulse";

    // Covered while hidden, shown again: it waits for the cover to go.
    shown.window.hide();
    surface.setCovered(true);
    shown.window.show();
    EXPECT_FALSE(ring.animating());
    surface.setCovered(false);
    EXPECT_TRUE(ring.animating());
}

TEST(PulseRingTest, WhereTheWindowTakesPicturesTheRingIsPutThereWithoutARepaint) {
    platform::FakeWindowPixels pixels;
    for (const auto& [suffix, palette] : testsupport::appearances()) {
        SCOPED_TRACE(suffix);
        testsupport::ScopedPalette appearance(palette);
        DotWindow shown;
        WindowSurface::of(shown.window).setPixels(&pixels);
        pixels.puts.clear();
        shown.window.show();
        PulseRing& ring = shown.ring();
        ASSERT_FALSE(pixels.puts.empty()) << "the first picture at once";
        // Once the window's first painting is done, the pictures go on without another.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown.window));
        QApplication::processEvents();
        testsupport::PaintCounter paints(ring);
        const std::size_t before = pixels.puts.size();
        ASSERT_TRUE(QTest::qWaitFor([&] { return pixels.puts.size() >= before + 3; }));
        EXPECT_EQ(paints.count(), 0) << "neither the ring nor what lies beneath it repainted";

        const platform::FakeWindowPixels::Put& first = pixels.puts.front();
        EXPECT_EQ(first.window, shown.window.winId());
        EXPECT_EQ(first.position, ring.mapTo(&shown.window, QPoint()));
        EXPECT_EQ(first.picture.format(), QImage::Format_RGB32);
        // At rest the ring shows its first picture: Qt paints it just as it was put.
        WindowSurface::of(shown.window).setCovered(true);
        EXPECT_EQ(first.picture, shown.painted()) << "the ring over the dot and the window's ground";
        EXPECT_NE(pixels.puts[1].picture, first.picture) << "the pulse moves on";
    }
}

TEST(PulseRingTest, APictureTheWindowRefusesIsPaintedByQt) {
    platform::FakeWindowPixels pixels;
    pixels.accepts = false;
    DotWindow shown;
    WindowSurface::of(shown.window).setPixels(&pixels);
    shown.window.show();
    testsupport::PaintCounter paints(shown.ring());
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count() >= 2; }));
    EXPECT_TRUE(shown.ring().animating());
}

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
