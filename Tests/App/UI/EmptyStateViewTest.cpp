#include "UI/Shared/EmptyStateView.h"
#include "Support/ViewPictures.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace vesperline;

namespace {

const QString longMessage =
    "The journal fills itself while Vesperline is recording. Time stops counting after 5 minutes "
    "without input.";

QLabel* part(EmptyStateView& view, const char* name) {
    return view.findChild<QLabel*>(name);
}

} // namespace

TEST(EmptyStateViewTest, ALongMessageWrapsWithinItsWidthAndStaysCentred) {
    EmptyStateView view("calendar.badge.clock", "No activity on this day", longMessage);
    view.resize(700, 400);
    view.show();
    QLabel* message = part(view, "emptyStateMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_LE(message->width(), EmptyStateView::messageWidth);
    EXPECT_GT(message->height(), 2 * message->fontMetrics().height() - 1);
    EXPECT_NEAR(message->geometry().center().x(), view.rect().center().x(), 1);
    EXPECT_EQ(message->text(), longMessage);
}

TEST(EmptyStateViewTest, ShortTextsStayOnOneCentredLine) {
    EmptyStateView view("rectangle.on.rectangle", "Preview", "Select a moment to see it.");
    view.resize(700, 400);
    view.show();
    for (const char* name : {"emptyStateTitle", "emptyStateMessage"}) {
        QLabel* label = part(view, name);
        EXPECT_EQ(label->height(), label->heightForWidth(label->width())) << name;
        EXPECT_LT(label->height(), 2 * label->fontMetrics().height()) << name;
        EXPECT_NEAR(label->geometry().center().x(), view.rect().center().x(), 1) << name;
    }
    EXPECT_FALSE(part(view, "emptyStateSymbol")->pixmap().isNull());
    // The symbol, title and message sit together in the middle, in that order.
    const int symbolBottom = part(view, "emptyStateSymbol")->geometry().bottom();
    EXPECT_LT(symbolBottom, part(view, "emptyStateTitle")->geometry().top());
    EXPECT_LT(part(view, "emptyStateTitle")->geometry().bottom(),
              part(view, "emptyStateMessage")->geometry().top());
    EXPECT_NEAR(part(view, "emptyStateTitle")->geometry().center().y(), view.rect().center().y(), 40);
}

TEST(EmptyStateViewTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("empty-state", [] {
        auto view =
            std::make_unique<EmptyStateView>("calendar.badge.clock", "No activity on this day", longMessage);
        view->resize(640, 360);
        return view;
    }));
    EXPECT_TRUE(testsupport::savePictures("empty-state-short", [] {
        auto view = std::make_unique<EmptyStateView>(
            "magnifyingglass", "No matches", "Try fewer or different words, or widen the time range.");
        view->resize(480, 300);
        return view;
    }));
}
