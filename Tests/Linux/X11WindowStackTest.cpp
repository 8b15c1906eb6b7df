#include "Platform/Linux/X11WindowStack.h"

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

using ostrel::Rect;

constexpr xcb_window_t vault = 7;
const Rect monitor{0, 0, 1000, 800};

X11StackedWindow window(xcb_window_t id, Rect frame, bool opaque = true) {
    X11StackedWindow stacked;
    stacked.window = id;
    stacked.client = id;
    stacked.frame = frame;
    stacked.pid = static_cast<std::int32_t>(id);
    stacked.opaque = opaque;
    return stacked;
}

QRegion region(std::initializer_list<QRect> rects) {
    QRegion result;
    for (const QRect& rect : rects) {
        result += rect;
    }
    return result;
}

TEST(X11WindowStackTest, WhatShowsOfAWindowToBlank) {
    struct Case {
        const char* name;
        std::vector<X11StackedWindow> stack; // bottom to top
        QRegion shown;                       // empty: left out
    };
    const X11StackedWindow blanked = window(vault, {100, 100, 400, 300});
    // The window above starts at x 300: the vault shows left of it, and nothing of it is blanked.
    const QRegion leftOfTheWindowAbove = region({{100, 100, 200, 300}});
    const Case cases[] = {
        {"alone", {blanked}, region({{100, 100, 400, 300}})},
        {"partly off the monitor", {window(vault, {800, 700, 400, 300})}, region({{800, 700, 200, 100}})},
        {"a window below hides nothing",
         {window(1, {0, 0, 1000, 800}), blanked},
         region({{100, 100, 400, 300}})},
        {"the opaque window in front stays whole",
         {blanked, window(2, {300, 100, 400, 300})},
         leftOfTheWindowAbove},
        {"a window in front reaching to the edge of the vault",
         {blanked, window(2, {300, 50, 400, 400})},
         leftOfTheWindowAbove},
        {"a translucent window above hides nothing",
         {blanked, window(2, {300, 100, 400, 300}, false)},
         region({{100, 100, 400, 300}})},
        {"covered whole", {blanked, window(2, {100, 100, 400, 300})}, QRegion()},
        {"a small window in front keeps its few pixels",
         {blanked, window(2, {200, 200, 30, 30})},
         QRegion(100, 100, 400, 300).subtracted(QRegion(200, 200, 30, 30))},
        {"off the monitor", {window(vault, {1200, 100, 400, 300})}, QRegion()},
    };
    for (const Case& c : cases) {
        const auto parts = visibleParts(
            c.stack, [](const X11StackedWindow& w) { return w.window == vault; }, monitor);
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(parts.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(parts.size(), 1u) << c.name;
        EXPECT_EQ(parts[0].window, vault) << c.name;
        EXPECT_EQ(parts[0].region, c.shown) << c.name;
    }
}

TEST(X11WindowStackTest, EachWindowToBlankIsHiddenOnlyByTheWindowsAboveIt) {
    // The lower vault window lies partly under the upper one; both are blanked, the upper whole.
    const std::vector<X11StackedWindow> stack = {window(vault, {100, 100, 400, 300}),
                                                 window(8, {300, 100, 400, 300})};
    const auto parts = visibleParts(
        stack, [](const X11StackedWindow&) { return true; }, monitor);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].window, 8u) << "top window first";
    EXPECT_EQ(parts[0].region, region({{300, 100, 400, 300}}));
    EXPECT_EQ(parts[1].region, region({{100, 100, 200, 300}}));
    EXPECT_EQ(parts[0].region + parts[1].region, region({{100, 100, 600, 300}})) << "nothing left unblanked";
}

} // namespace
} // namespace vesperline::platform
