#include "Model/StatusItem.h"

#include "Support/LogCapture.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(StatusItemTest, WithoutATrayItSaysSoOnceAndThePopoverStillOpensAndCloses) {
    testsupport::LogCapture log;
    int built = 0;
    int refreshed = 0;
    std::function<void()> closeFromContent;
    StatusItem item([&](std::function<void()> close) {
        ++built;
        closeFromContent = close;
        auto* content = new QLabel("Recording");
        content->setMinimumSize(320, 200);
        return content;
    });
    QObject::connect(&item, &StatusItem::aboutToOpen, [&] { ++refreshed; });
    item.setGlyph(StatusGlyph::Variant::recording);
    item.setToolTip("Recording");
    // Offscreen there is no tray.
    EXPECT_FALSE(item.trayAvailable());
    EXPECT_EQ(log.count("No system tray"), 1);

    item.toggle();
    ASSERT_TRUE(item.isOpen());
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(built, 1);
    QPointer<QWidget> first = item.content();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());

    item.toggle();
    EXPECT_FALSE(item.isOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); })) << "the content goes with the popover";

    item.toggle();
    EXPECT_TRUE(item.isOpen());
    EXPECT_EQ(built, 2) << "a fresh content for each opening";
    EXPECT_EQ(refreshed, 2);
    // The content closes the popover itself.
    closeFromContent();
    EXPECT_FALSE(item.isOpen());
    EXPECT_EQ(log.count("No system tray"), 1);
}

TEST(StatusItemTest, AClickElsewhereClosesThePopover) {
    StatusItem item([](std::function<void()>) { return new QLabel("Paused"); });
    QWidget elsewhere;
    elsewhere.setGeometry(900, 600, 200, 100);
    elsewhere.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
    item.toggle();
    ASSERT_TRUE(item.isOpen());
    QPointer<QWidget> content = item.content();
    QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !item.isOpen(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return content.isNull(); }));
}

TEST(StatusItemTest, TheGlyphIsDrawnAgainOnlyWhenItChanges) {
    StatusItem item([](std::function<void()>) { return new QLabel("Paused"); });
    const auto* tray = item.findChild<QSystemTrayIcon*>();
    ASSERT_TRUE(tray);
    const auto drawn = [&] { return tray->icon().cacheKey(); };
    ASSERT_FALSE(tray->icon().isNull()) << "the held glyph from the start";
    const qint64 held = drawn();
    item.setGlyph(StatusGlyph::Variant::held);
    EXPECT_EQ(drawn(), held);
    item.setGlyph(StatusGlyph::Variant::recording);
    const qint64 recording = drawn();
    EXPECT_NE(recording, held);
    EXPECT_EQ(item.glyph(), StatusGlyph::Variant::recording);
    item.setGlyph(StatusGlyph::Variant::recording);
    EXPECT_EQ(drawn(), recording);
    item.setGlyph(StatusGlyph::Variant::held);
    EXPECT_NE(drawn(), recording);
    EXPECT_EQ(item.glyph(), StatusGlyph::Variant::held);
}

TEST(StatusItemTest, PopoverPosition) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(320, 400);
    struct Case {
        const char* name;
        QRect anchor;
        QPoint expected;
    };
    const Case cases[] = {
        {"under an item in a top panel", QRect(1000, 0, 24, 24), QPoint(851, 24)},
        {"above an item in a bottom panel", QRect(1000, 1056, 24, 24), QPoint(851, 656)},
        {"kept inside at the right edge", QRect(1900, 0, 20, 24), QPoint(1600, 24)},
        {"kept inside at the left edge", QRect(0, 0, 20, 24), QPoint(0, 24)},
        {"at the pointer when the tray gives no place", QRect(QPoint(500, 300), QSize(1, 1)),
         QPoint(340, 301)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusItem::popoverPosition(c.anchor, size, screen), c.expected) << c.name;
    }
}

} // namespace
} // namespace vesperline
