#include "UI/Ask/AskScreen.h"

#include "AskFixture.h"
#include "Support/QtPrinters.h"
#include "Support/ViewPictures.h"
#include "UI/Ask/ComposerField.h"
#include "UI/Ask/ExchangeView.h"
#include "UI/Ask/QuestionBubble.h"
#include "UI/Ask/SourceRow.h"
#include "UI/Shared/FrameThumbnail.h"
#include "UI/Theme/Theme.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

namespace vesperline {
namespace {

// A made-up screen for a source's thumbnail: a window in a colour of its own on a dark desktop.
QImage screenPicture(std::int64_t frameID) {
    QImage image(1600, 1000, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(52, 64, 84));
    painter.fillRect(QRect(160, 100, 1280, 800),
                     QColor::fromHsv(static_cast<int>(frameID * 67 % 360), 40, 245));
    for (int line = 0; line < 12; ++line) {
        painter.fillRect(QRect(240, 200 + line * 52, 600 + (line * 97 + frameID * 31) % 500, 18),
                         QColor(120, 126, 140));
    }
    return image;
}

class AskScreenTest : public AskFixture {
  protected:
    std::unique_ptr<AskScreen> makeScreen(AIAvailability availability = AIAvailability::available(),
                                          QSize size = {900, 680}) {
        auto screen = std::make_unique<AskScreen>(makeController(std::move(availability)).release(),
                                                  [](const std::string&, std::int64_t, std::int64_t frameID) {
                                                      return QtFuture::makeReadyFuture(
                                                          std::optional(screenPicture(frameID)));
                                                  });
        screen->resize(size);
        return screen;
    }
    // A screen on show whose question about the invoice has been answered, its thumbnails drawn.
    std::unique_ptr<AskScreen> answeredScreen() {
        auto screen = makeScreen();
        screen->show();
        screen->controller().setQuestion(QStringLiteral("Who sent me the invoice last week?"));
        screen->controller().ask();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !screen->controller().asking(); }, patience));
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const QList<FrameThumbnail*> thumbnails = screen->findChildren<FrameThumbnail*>();
            return !thumbnails.empty() &&
                   std::all_of(thumbnails.begin(), thumbnails.end(), [](auto* thumbnail) {
                       return thumbnail->controller().content() == FrameThumbnailController::Content::image;
                   });
        }));
        return screen;
    }
    void addInvoices() {
        add(now - 3600, "Mail", "Invoice 2024-117 from ACME Supplies",
            {"Invoice from ACME", "Total due 1,240.00"});
        add(now - 86400 - 7200, std::nullopt, std::nullopt, {"ACME invoice draft"});
        add(now - 3 * 86400, "Files", "invoice-acme.pdf", {"invoice number 2024-117"});
    }
    template <typename Widget> static Widget* find(const QWidget& screen, const char* name) {
        Widget* widget = screen.findChild<Widget*>(name);
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    static QString page(const AskScreen& screen) {
        return screen.findChild<QStackedWidget*>()->currentWidget()->objectName();
    }
};

TEST_F(AskScreenTest, AnUnavailableModelShowsItsReasonAndWhereSearchStillWorks) {
    const QString reason = QStringLiteral("The local language model is not running.");
    auto screen = makeScreen(AIAvailability::unavailable(reason));
    screen->show();
    EXPECT_EQ(page(*screen), "askNotice");
    EXPECT_EQ(find<QLabel>(*screen, "emptyStateTitle")->text(), "Ask needs the local model");
    EXPECT_EQ(find<QLabel>(*screen, "emptyStateMessage")->text(), reason);
    EXPECT_EQ(find<QLabel>(*screen, "askSearchHint")->text(),
              "Search still works everywhere: press Shift+Super+Space and type what you remember.");
    EXPECT_EQ(events, std::vector<std::string>{"refresh"});
    // No composer while the model cannot be used.
    EXPECT_FALSE(find<ComposerField>(*screen, "askField")->isVisible());

    // A new reason replaces the old one; the model coming back brings the composer, with the focus.
    const QString loading = QStringLiteral("The local language model is still loading. Try again later.");
    screen->controller().setAvailability(AIAvailability::unavailable(loading));
    EXPECT_EQ(find<QLabel>(*screen, "emptyStateMessage")->text(), loading);
    QApplication::setActiveWindow(screen.get());
    screen->controller().setAvailability(AIAvailability::available());
    EXPECT_EQ(page(*screen), "askConversation");
    EXPECT_TRUE(QTest::qWaitFor([&] { return find<ComposerField>(*screen, "askField")->hasFocus(); }));

    EXPECT_TRUE(testsupport::savePictures("ask-unavailable",
                                          [&] { return makeScreen(AIAvailability::unavailable(reason)); }));
}

TEST_F(AskScreenTest, AnExampleIsAskedAndItsAnswerShowsNumberedSourcesThatOpenTheirMoments) {
    addInvoices();
    auto screen = makeScreen();
    screen->show();
    EXPECT_EQ(page(*screen), "askConversation");
    EXPECT_TRUE(find<QWidget>(*screen, "askIntroduction")->isVisible());
    EXPECT_EQ(find<QAbstractButton>(*screen, "askExample2")->text(), "Which articles did I read yesterday?");
    EXPECT_TRUE(testsupport::savePictures("ask-introduction", [&] { return makeScreen(); }));

    hold();
    QAbstractButton* example = find<QAbstractButton>(*screen, "askExample1");
    QTest::mouseClick(example, Qt::LeftButton, {}, example->rect().center());
    QApplication::processEvents(); // the new exchange takes its place
    ASSERT_EQ(screen->exchangeViews().size(), 1u);
    const ExchangeView* exchange = screen->exchangeViews()[0];
    EXPECT_FALSE(find<QWidget>(*screen, "askIntroduction")->isVisible());
    EXPECT_EQ(exchange->bubble()->text(), "What was the AdMob ID I saw last week?");
    // The bubble keeps to the trailing edge of the column.
    const QWidget* column = find<QWidget>(*screen, "askColumn");
    EXPECT_EQ(exchange->bubble()->mapTo(column, QPoint(exchange->bubble()->width(), 0)).x(),
              column->width() - Theme::pagePadding);
    EXPECT_TRUE(find<QWidget>(*exchange, "searchingRow")->isVisible());
    EXPECT_FALSE(find<QWidget>(*exchange, "answerCard")->isVisible());
    // Meanwhile a spinner stands in the send button's place.
    EXPECT_FALSE(find<QAbstractButton>(*screen, "askSend")->isVisible());
    EXPECT_TRUE(find<QWidget>(*screen, "askProgress")->isVisible());

    release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().asking(); }, patience));
    EXPECT_FALSE(find<QWidget>(*exchange, "searchingRow")->isVisible());
    EXPECT_TRUE(find<QWidget>(*exchange, "answerCard")->isVisible());
    EXPECT_EQ(find<QLabel>(*exchange, "answerText")->text(), "It was ACME [1].");
    EXPECT_TRUE(find<QLabel>(*exchange, "sourcesHeading")->isVisible());
    ASSERT_EQ(exchange->sourceRows().size(), 3u);
    const SourceRow* third = exchange->sourceRows()[2];
    EXPECT_EQ(third->number(), "[3]");

    EXPECT_EQ(third->title(), "invoice-acme.pdf");
    EXPECT_EQ(exchange->sourceRows()[1]->detail(), " · Yesterday 12:05\u202FPM");
    EXPECT_EQ(find<QWidget>(*third, "sourceThumbnail")->size(), QSize(64, 40));
    EXPECT_TRUE(find<QAbstractButton>(*screen, "askSend")->isVisible());

    // A click anywhere on a row, the title included, opens its moment.
    const QWidget* title = find<QWidget>(*exchange->sourceRows()[1], "sourceTitle");
    QTest::mouseClick(exchange->sourceRows()[1], Qt::LeftButton, {},
                      title->mapTo(exchange->sourceRows()[1], title->rect().center()));
    const ostrel::FrameSummary& yesterday = screen->controller().exchanges()[0].sources[1].frame;
    EXPECT_EQ(events, (std::vector<std::string>{
                          "find", "timeline " + std::to_string(yesterday.id) + " at " +
                                      std::to_string(static_cast<std::int64_t>(yesterday.timestamp))}));

    EXPECT_TRUE(testsupport::savePictures("ask-answer", [&] { return answeredScreen(); }));
}

TEST_F(AskScreenTest, AFailedAnswerIsShownWithoutSources) {
    plan = "not a plan";
    auto screen = makeScreen();
    screen->show();
    screen->controller().setQuestion(QStringLiteral("What did I read?"));
    screen->controller().ask();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().asking(); }, patience));
    const ExchangeView* exchange = screen->exchangeViews().at(0);
    EXPECT_EQ(find<QLabel>(*exchange, "answerText")->text(),
              "Sorry, I couldn't answer that right now. Try searching instead.");
    EXPECT_FALSE(find<QLabel>(*exchange, "sourcesHeading")->isVisible());
    EXPECT_TRUE(exchange->sourceRows().empty());
}

TEST_F(AskScreenTest, AQuestionTooLongToSearchIsAnsweredWithTheLimitAndStaysInTheComposer) {
    // A pasted paragraph of 72 words.
    const QString question =
        QStringLiteral("Which invoice did I see in the mail from ACME last week, and was it "
                       "the one that the portal said was due at the end of June or the "
                       "one that I had already paid? ")
            .repeated(2)
            .trimmed();
    const auto refused = [&] {
        auto screen = makeScreen();
        screen->show();
        screen->controller().setQuestion(question);
        screen->controller().ask();
        return screen;
    };
    auto screen = refused();
    const ExchangeView* exchange = screen->exchangeViews().at(0);
    EXPECT_EQ(find<QLabel>(*exchange, "answerText")->text(),
              "That question is too long to search for. Ask it in at most 64 words and 1,000 characters.");
    EXPECT_EQ(find<ComposerField>(*screen, "askField")->toPlainText(), question);
    EXPECT_TRUE(testsupport::savePictures("ask-too-long", [&] { return refused(); }));
}

TEST_F(AskScreenTest, TheComposerSendsWithReturnOrTheButtonAndGrowsToFourLines) {
    addInvoices();
    auto screen = makeScreen();
    screen->show();
    QApplication::setActiveWindow(screen.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    auto* field = find<ComposerField>(*screen, "askField");
    auto* send = find<QAbstractButton>(*screen, "askSend");
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_FALSE(send->isEnabled());

    // Spaces alone: grey, and Return does nothing.
    QTest::keyClicks(field, "   ");
    EXPECT_FALSE(send->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(screen->exchangeViews().empty());
    EXPECT_EQ(field->toPlainText(), "   ");

    // Shift+Return starts a new line; the field grows with them up to four lines.
    field->clear();
    QTest::keyClicks(field, "one");
    EXPECT_EQ(field->shownLines(), 1);
    const int oneLine = field->height();
    for (int line = 0; line < 5; ++line) {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(field, "more");
    }
    EXPECT_EQ(field->toPlainText(), "one\nmore\nmore\nmore\nmore\nmore");
    EXPECT_EQ(field->shownLines(), ComposerField::maximumLines);
    EXPECT_GT(field->height(), 3 * oneLine / 2);
    EXPECT_TRUE(send->isEnabled());

    // Return sends; the field empties and shrinks again.
    hold();
    field->clear();
    QTest::keyClicks(field, "  Who sent the invoice?  ");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(screen->exchangeViews().size(), 1u);
    EXPECT_EQ(screen->exchangeViews()[0]->bubble()->text(), "Who sent the invoice?");
    EXPECT_EQ(field->toPlainText(), "");
    EXPECT_EQ(field->height(), oneLine);

    // While it is answered, Return and Ctrl+Return send nothing and the typed text stays.
    QTest::keyClicks(field, "And the total?");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(screen->exchangeViews().size(), 1u);
    EXPECT_EQ(field->toPlainText(), "And the total?");

    // Once answered, Ctrl+Return, the button's shortcut, sends it (the button shows its click first).
    release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return send->isVisible(); }, patience));
    QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return screen->exchangeViews().size() == 2u; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return send->isVisible(); }, patience));
    QTest::keyClicks(field, "A third one");
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(screen->exchangeViews().size(), 3u);
}

TEST_F(AskScreenTest, EachNewQuestionIsScrolledIntoViewButNotItsAnswer) {
    addInvoices();
    auto screen = makeScreen(AIAvailability::available(), {700, 420});
    screen->show();
    auto* scroll = find<QScrollArea>(*screen, "askScroll");
    QScrollBar* bar = scroll->verticalScrollBar();
    const auto scrolled = [&] {
        return QTest::qWaitFor([&] {
            const QPropertyAnimation* animation = screen->findChild<QPropertyAnimation*>();
            return animation->state() == QAbstractAnimation::Stopped && animation->endValue().isValid();
        });
    };
    // The newest exchange's bottom edge, as far down the visible area as it is.
    const auto newestBottom = [&] {
        const ExchangeView* newest = screen->exchangeViews().back();
        return newest->mapTo(scroll->viewport(), QPoint(0, newest->height())).y();
    };
    for (int i = 0; i < 4; ++i) {
        screen->controller().setQuestion(QStringLiteral("Who sent the invoice, number %1?").arg(i));
        screen->controller().ask();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().asking(); }, patience));
    }
    ASSERT_TRUE(scrolled());
    ASSERT_GT(bar->maximum(), 0);

    hold();
    screen->controller().setQuestion(QStringLiteral("And who paid it?"));
    screen->controller().ask();
    QTest::qWait(1); // let the scroll start
    ASSERT_TRUE(scrolled());
    EXPECT_EQ(newestBottom(), scroll->viewport()->height());
    const int value = bar->value();

    release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !screen->controller().asking(); }, patience));
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), value);
    EXPECT_GT(newestBottom(), scroll->viewport()->height()); // the answer runs on below
}

TEST_F(AskScreenTest, TheConversationStaysWithinItsWidthInTheMiddle) {
    for (const int width : {1400, 700}) {
        auto screen = makeScreen(AIAvailability::available(), {width, 600});
        screen->show();
        QApplication::processEvents();
        const QWidget* column = find<QWidget>(*screen, "askColumn");
        const QWidget* viewport = find<QScrollArea>(*screen, "askScroll")->viewport();
        const int expected = std::min(AskScreen::contentWidth, viewport->width());
        EXPECT_EQ(column->width(), expected) << width;
        EXPECT_NEAR(column->mapTo(viewport, QPoint()).x(), (viewport->width() - expected) / 2, 1) << width;
    }
}

} // namespace
} // namespace vesperline
