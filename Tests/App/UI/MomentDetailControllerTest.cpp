#include "UI/Moment/MomentDetailController.h"
#include "Support/LogCapture.h"
#include "Support/MomentFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QScopeGuard>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

using namespace vesperline;
using testsupport::Moment;
using Notice = MomentDetailController::Notice;
using Size = FrameImageLoader::Size;

namespace {

constexpr ostrel::Time now = testsupport::MomentFixture::now;

QImage screen(int width = 1280, int height = 800) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

class MomentDetailControllerTest : public testing::Test {
  protected:
    std::unique_ptr<MomentDetailController>
    shown(std::int64_t id, Size size = Size::full,
          std::chrono::milliseconds retryDelay = std::chrono::milliseconds(20)) {
        auto controller = std::make_unique<MomentDetailController>(fixture_.services(retryDelay));
        controller->setMoment(id, size);
        controller->setShown(true);
        return controller;
    }

    testsupport::MomentFixture fixture_;
};

} // namespace

TEST_F(MomentDetailControllerTest, ShowsTheMomentWithItsPictureAndTheSearchTermsBoxed) {
    const std::int64_t id = fixture_.store(
        Moment(now - 600).app("org.example.editor", "Editor").title("Report.txt").project("Q3"), true);
    fixture_.pictures[id] = {screen()};
    fixture_.termBoxes = {{0.3, 0.7, 0.1, 0.05}};
    MomentDetailController controller(fixture_.services());
    controller.setTerms({"report"});
    controller.setMoment(id, Size::preview);
    controller.setShown(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.loading(); }));

    ASSERT_TRUE(controller.record());
    EXPECT_EQ(controller.record()->displayTitle(), "Report.txt");
    ASSERT_TRUE(controller.image());
    EXPECT_EQ(controller.image()->size(), QSize(1280, 800));
    EXPECT_EQ(controller.boxes().size(), 1u);
    ASSERT_EQ(fixture_.termRequests.size(), 1u);
    EXPECT_EQ(fixture_.termRequests[0], std::vector<std::string>{"report"});
    EXPECT_EQ(fixture_.pictureRequests.back(), std::pair(id, Size::preview));

    // The same moment at rest: decoded again at full size, the preview showing until it is there.
    fixture_.picturesAnswer = false;
    controller.setMoment(id, Size::full);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fixture_.pictureRequests.back() == std::pair(id, Size::full); }));
    EXPECT_TRUE(controller.image());
    EXPECT_TRUE(controller.loading()) << "a preview does not stand for the full picture";
    // Another moment: its boxes go as soon as it has been read, while the picture before it stays
    // until the new one comes.
    const std::int64_t next = fixture_.store(Moment(now - 500).app("org.example.editor", "Editor"), true);
    controller.setMoment(next, Size::full);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.record()->id == next; }));
    EXPECT_TRUE(controller.boxes().empty());
    EXPECT_TRUE(controller.image());
    EXPECT_TRUE(controller.loading());
}

TEST_F(MomentDetailControllerTest, WithTheMomentsSummaryThePictureIsAskedForBeforeTheMomentIsRead) {
    const std::int64_t id = fixture_.store(Moment(now - 600).title("Report.txt"), true);
    fixture_.pictures[id] = {screen()};
    const ostrel::FrameSummary summary = fixture_.hub.readSync(
        [](ostrel::MemoryStore& store) { return store.frames(now - 700, now, 10, false).front(); });
    // The read queue is busy: the moment is read only once the gate opens.
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    fixture_.hub.readAsync([opened](ostrel::MemoryStore&) { opened.wait(); });
    bool open = false;
    const auto openGate = [&] {
        if (!std::exchange(open, true)) {
            gate.set_value();
        }
    };
    const auto openedAtTheEnd = qScopeGuard(openGate); // a failed check must not leave the queue stuck

    MomentDetailController controller(fixture_.services());
    controller.setMoment(summary, Size::preview);
    controller.setShown(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.image().has_value(); }));
    EXPECT_EQ(controller.imageFrameID(), id);
    EXPECT_FALSE(controller.record()) << "still waiting to be read";
    openGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.record().has_value(); }));
    EXPECT_EQ(controller.record()->displayTitle(), "Report.txt");
    EXPECT_EQ(fixture_.pictureRequests, (std::vector{std::pair(id, Size::preview)}))
        << "reading the moment asks for nothing more";
}

TEST_F(MomentDetailControllerTest, AMissingPictureGivesANoticeAfterTheRetriesAFreshMomentIsOwed) {
    struct Case {
        const char* name;
        Moment moment;
        bool inSegment;
        std::vector<std::optional<QImage>> answers;
        std::size_t requests;
        bool picture;
        Notice notice;
    };
    const std::vector<Case> cases = {
        {"text only, old: the notice at once", Moment(now - 600), false, {}, 0, false, Notice::textOnly},
        {"picture unreadable, old: one request",
         Moment(now - 600),
         true,
         {std::nullopt},
         1,
         false,
         Notice::unavailable},
        {"picture unreadable, 10 s old: three requests",
         Moment(now - 10),
         true,
         {std::nullopt},
         3,
         false,
         Notice::unavailable},
        {"picture there at the second request",
         Moment(now - 10),
         true,
         {std::nullopt, screen()},
         2,
         true,
         Notice::unavailable},
        {"exactly 30 s old still counts as fresh",
         Moment(now - 30),
         true,
         {std::nullopt},
         3,
         false,
         Notice::unavailable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixture_.pictureRequests.clear();
        const std::int64_t id = fixture_.store(c.moment, c.inSegment);
        fixture_.pictures[id] = c.answers;
        const auto controller = shown(id);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
        EXPECT_EQ(fixture_.pictureRequests.size(), c.requests);
        EXPECT_EQ(controller->image().has_value(), c.picture);
        EXPECT_EQ(controller->notice(), c.notice);
        EXPECT_TRUE(controller->record());
    }
}

TEST_F(MomentDetailControllerTest, AFreshMomentWaitsBeforeItsNoticeAndAnUnknownOneDoesNot) {
    // With retries far apart, a fresh text-only moment keeps loading while an old one, or a moment
    // that does not exist, has its notice at once.
    const std::int64_t fresh = fixture_.store(Moment(now - 5));
    const auto waiting = shown(fresh, Size::full, std::chrono::minutes(10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting->record().has_value(); }));
    QTest::qWait(50);
    EXPECT_TRUE(waiting->loading());

    const auto missing = shown(9999, Size::full, std::chrono::minutes(10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !missing->loading(); }));
    EXPECT_FALSE(missing->record());
    EXPECT_FALSE(missing->image());
    EXPECT_EQ(missing->notice(), Notice::unavailable);
}

TEST_F(MomentDetailControllerTest, TheTextPanelReadsTheWindowTextOfEachMomentShown) {
    const std::int64_t first =
        fixture_.store(Moment(now - 600).app("org.example.editor").title("Notes").lines({"first line"}));
    const std::int64_t other =
        fixture_.store(Moment(now - 500).app("org.example.mail").title("Inbox").lines({"mail text"}));
    const auto controller = shown(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
    EXPECT_TRUE(controller->text().isEmpty()); // not read while the panel is closed

    controller->toggleText();
    EXPECT_TRUE(controller->showText());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->text() == "first line"; }));
    // The panel stays open for the next moment and reads its text with the load.
    controller->setMoment(other, Size::full);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->text() == "mail text"; }));
    controller->toggleText();
    EXPECT_FALSE(controller->showText());
}

TEST_F(MomentDetailControllerTest, SteppingOverMomentsCancelsTheTermSearchesOfTheOnesLeft) {
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 5; ++i) {
        ids.push_back(fixture_.store(Moment(now - 600 + i), true));
        fixture_.pictures[ids.back()] = {screen()};
    }
    fixture_.termBoxes = {{0.3, 0.7, 0.1, 0.05}};
    MomentDetailController controller(fixture_.services());
    controller.setTerms({"report"});
    controller.setShown(true);
    // The user goes down the results, each picture shown before the next is chosen.
    for (const std::int64_t id : ids) {
        controller.setMoment(id, Size::full);
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller.imageFrameID() == id; }));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.loading(); }));
    ASSERT_EQ(fixture_.termCancellations.size(), 5u);
    for (std::size_t i = 0; i + 1 < ids.size(); ++i) {
        EXPECT_TRUE(fixture_.termCancellations[i]->load()) << "left behind: " << i;
    }
    EXPECT_FALSE(fixture_.termCancellations.back()->load()) << "the moment shown";
    EXPECT_EQ(controller.boxes().size(), 1u);

    // Hidden, or gone, it wants no boxes any more.
    controller.setMoment(ids.front(), Size::full);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture_.termCancellations.size() == 6; }));
    controller.setShown(false);
    EXPECT_TRUE(fixture_.termCancellations.back()->load());
}

TEST_F(MomentDetailControllerTest, CopyPutsTheWindowTextOnTheClipboardAndConfirmsItForAMoment) {
    const std::int64_t id =
        fixture_.store(Moment(now - 600).app("org.example.editor").title("Notes").lines({"alpha", "beta"}));
    const auto controller = shown(id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
    QApplication::clipboard()->setText("before");
    controller->copyText();
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->copied(); }));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "alpha\nbeta");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->copied(); }));
}

TEST_F(MomentDetailControllerTest, ATextThatCannotBeReadLeavesTheClipboardAloneAndClaimsNoCopy) {
    const std::int64_t id =
        fixture_.store(Moment(now - 600).app("org.example.editor").title("Notes").lines({"alpha"}));
    const auto controller = shown(id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
    fixture_.hub.sync([](ostrel::MemoryStore& memory) { memory.db().execute("DROP TABLE frame_text"); });
    QApplication::clipboard()->setText("the user's own clipboard");

    testsupport::LogCapture log;
    controller->copyText();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.count("Copying the moment's text failed") == 1; }));
    QTest::qWait(20);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "the user's own clipboard");
    EXPECT_FALSE(controller->copied());
}

TEST_F(MomentDetailControllerTest, WebAndLocalFileAddressesOpenAsLinksAsInTheSearchResults) {
    // The rule of every "Open link": another scheme is no link here either.
    const std::int64_t ftp = fixture_.store(Moment(now - 800).url("ftp://example.com/report.pdf"));
    const auto ftpView = shown(ftp);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ftpView->loading(); }));
    EXPECT_EQ(ftpView->link(), std::nullopt);
    ftpView->openLink();
    EXPECT_TRUE(fixture_.opened.empty());

    const std::int64_t file = fixture_.store(Moment(now - 700).url("file:///home/user/report.pdf"));
    const auto fileView = shown(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileView->loading(); }));
    fileView->openLink();

    const std::int64_t id = fixture_.store(Moment(now - 600).url("https://example.com/report"));
    const auto controller = shown(id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
    controller->openLink();
    controller->openInTimeline();
    ASSERT_EQ(fixture_.opened.size(), 2u);
    EXPECT_EQ(fixture_.opened[0].toString().toStdString(), "file:///home/user/report.pdf");
    EXPECT_EQ(fixture_.opened[1].toString().toStdString(), "https://example.com/report");
    ASSERT_EQ(fixture_.timelineOpened.size(), 1u);
    EXPECT_EQ(fixture_.timelineOpened[0], std::pair(id, now - 600));
}

TEST_F(MomentDetailControllerTest, DeletingTakesTheMomentAskedForEvenBeforeItIsShown) {
    const std::int64_t shownFirst = fixture_.store(Moment(now - 600));
    const std::int64_t askedNext = fixture_.store(Moment(now - 500));
    const auto controller = shown(shownFirst);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->loading(); }));
    int deletions = 0;
    controller->setOnDeleted([&] { ++deletions; });

    controller->setMoment(askedNext, Size::full);
    ASSERT_EQ(controller->record()->id, shownFirst); // not read yet
    controller->deleteMoment();
    ASSERT_EQ(fixture_.deleted.size(), 1u);
    EXPECT_EQ(fixture_.deleted[0], std::vector<std::int64_t>{askedNext});
    EXPECT_EQ(deletions, 1);
}
