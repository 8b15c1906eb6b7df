#include "UI/Shared/Card.h"
#include "Support/ViewPictures.h"

#include <QLabel>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace vesperline;

TEST(CardTest, ContentIsInsetByThePaddingAcrossTheFullWidth) {
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    layout->setContentsMargins(Theme::pagePadding, Theme::pagePadding, Theme::pagePadding,
                               Theme::pagePadding);
    auto* content = new QLabel("Apps");
    auto* card = new Card(content, 12);
    layout->addWidget(card);
    page.resize(400, 200);
    page.show();
    EXPECT_EQ(card->width(), 400 - 2 * Theme::pagePadding);
    EXPECT_EQ(content->geometry(), card->rect().adjusted(12, 12, -12, -12));
    EXPECT_EQ(card->content(), content);
}

TEST(CardTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("card", [] {
        auto window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(Theme::pagePadding, Theme::pagePadding, Theme::pagePadding,
                                   Theme::pagePadding);
        layout->setSpacing(Theme::pageSpacing);
        auto* heading = new QLabel("Projects & sites");
        Theme::applyText(heading, Theme::TextStyle::headline);
        layout->addWidget(new Card(heading));
        auto* body = new QLabel("Vesperline keeps a moment whenever the screen meaningfully changes.");
        Theme::applyText(body, Theme::TextStyle::callout, Theme::Level::secondary);
        layout->addWidget(new Card(body));
        window->resize(420, 150);
        return window;
    }));
}
