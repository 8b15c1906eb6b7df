#include "UI/Moment/MomentDetail.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Support/MomentFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Shared/ElidedLabel.h"

#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vesperline;
using testsupport::Moment;

namespace {

constexpr ostrel::Time now = testsupport::MomentFixture::now;

// A desktop with a window of text, as a stored picture.
QImage screen() {
    QImage image(1280, 800, QImage::Format_RGB32);
    image.fill(QColor(236, 239, 244));
    QPainter painter(&image);
    painter.fillRect(QRect(80, 60, 1120, 680), Qt::white);
    QFont font("DejaVu Sans");
    font.setPixelSize(26);
    painter.setFont(font);
    painter.drawText(QPoint(120, 140), "Quarterly report draft");
    painter.drawText(QPoint(120, 190), "Revenue grew in every region this quarter.");
    return image;
}

class MomentDetailTest : public testing::Test {
  protected:
    std::unique_ptr<MomentDetail> view(std::int64_t id, bool timelineButton = true) {
        auto detail = std::make_unique<MomentDetail>(fixture_.services(), MomentCanvas::Analyze(),
                                                     applications_, format_);
        detail->setShowTimelineButton(timelineButton);
        detail->setMoment(id, FrameImageLoader::Size::full);
        detail->resize(760, 560);
        return detail;
    }

    std::int64_t report() {
        const std::int64_t id = fixture_.store(
            Moment(now - 600)
                .app("org.example.editor", "Editor")
                .title("Quarterly report — Editor")
                .project("Finance")
                .url("https://intranet.example.com/finance/reports/q3")
                .lines({"Quarterly report draft", "Revenue grew in every region this quarter."}),
            true);
        fixture_.pictures[id] = {screen()};
        return id;
    }

    testsupport::MomentFixture fixture_;
    platform::FakeInstalledApplications applications_;
    const Format format_{"en_US", "Europe/Istanbul"};
};

template <typename T> T* part(QWidget& view, const char* name) {
    return view.findChild<T*>(name);
}

} // namespace

TEST_F(MomentDetailTest, TheHeaderNamesTheMomentAndOffersItsActions) {
    auto detail = view(report());
    detail->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail->controller().loading(); }));

    EXPECT_TRUE(part<QWidget>(*detail, "momentCanvas")->isVisible());
    EXPECT_FALSE(part<QWidget>(*detail, "momentNotice")->isVisible());
    EXPECT_EQ(part<ElidedLabel>(*detail, "momentTitle")->text().toStdString(), "Quarterly report — Editor");
    EXPECT_EQ(part<QLabel>(*detail, "momentApp")->text().toStdString(), "Editor");
    EXPECT_EQ(part<QLabel>(*detail, "momentTime")->text().toStdString(), "Jun 15, 2025 17:56:40");
    EXPECT_EQ(part<QLabel>(*detail, "momentProject")->text().toStdString(), "Finance");
    EXPECT_TRUE(part<QLabel>(*detail, "momentProject")->isVisible());
    for (const char* button :
         {"timelineButton", "textButton", "copyButton", "openLinkButton", "deleteButton"}) {
        EXPECT_TRUE(part<QToolButton>(*detail, button)->isVisible()) << button;
    }
    EXPECT_FALSE(part<QWidget>(*detail, "momentText")->isVisible());

    QTest::mouseClick(part<QToolButton>(*detail, "textButton"), Qt::LeftButton);
    auto* text = part<QPlainTextEdit>(*detail, "momentText");
    ASSERT_TRUE(QTest::qWaitFor([&] { return text->toPlainText().startsWith("Quarterly report draft"); }));
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->height(), MomentDetail::textPanelHeight);

    // The timeline embeds the view without its "Timeline" button.
    auto inTimeline = view(report(), false);
    inTimeline->show();
    EXPECT_FALSE(part<QToolButton>(*inTimeline, "timelineButton")->isVisible());
}

TEST_F(MomentDetailTest, AMomentThatIsGoneShowsOnlyTheNotice) {
    auto detail = view(424242);
    detail->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail->controller().loading(); }));
    EXPECT_TRUE(part<QWidget>(*detail, "momentNotice")->isVisible());
    EXPECT_EQ(part<QLabel>(*detail, "momentNoticeText")->text().toStdString(),
              "The image of this moment is no longer kept. Its text is still searchable.");
    EXPECT_FALSE(part<QWidget>(*detail, "momentHeader")->isVisible());
    EXPECT_FALSE(part<QWidget>(*detail, "momentCanvas")->isVisible());
    EXPECT_FALSE(part<QWidget>(*detail, "momentSpinner")->isVisible());
}

TEST_F(MomentDetailTest, DeletingAsksFirstAndThenTellsTheScreen) {
    const std::int64_t id = report();
    auto detail = view(id);
    int deletions = 0;
    detail->setOnDeleted([&] { ++deletions; });
    detail->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !detail->controller().loading(); }));

    QTest::mouseClick(part<QToolButton>(*detail, "deleteButton"), Qt::LeftButton);
    auto* confirmation = part<QMessageBox>(*detail, "deleteConfirmation");
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(confirmation->text().toStdString(), "Delete this moment?");
    EXPECT_TRUE(fixture_.deleted.empty());
    QTest::mouseClick(part<QPushButton>(*confirmation, "confirmDeleteButton"), Qt::LeftButton);
    ASSERT_EQ(fixture_.deleted.size(), 1u);
    EXPECT_EQ(fixture_.deleted[0], std::vector<std::int64_t>{id});
    EXPECT_EQ(deletions, 1);
}

TEST_F(MomentDetailTest, Pictures) {
    const std::int64_t withPicture = report();
    const std::int64_t textOnly = fixture_.store(
        Moment(now - 900).app("org.example.terminal", "Terminal").title("build — zsh").lines({"make all"}));
    fixture_.termBoxes = {{0.2, 0.81, 0.12, 0.04}};
    struct Shot {
        const char* name;
        std::int64_t id;
        bool openText;
    };
    for (const Shot& shot :
         {Shot{"moment-detail", withPicture, false}, Shot{"moment-detail-text", withPicture, true},
          Shot{"moment-detail-text-only", textOnly, false}, Shot{"moment-detail-missing", 987654, false}}) {
        EXPECT_TRUE(testsupport::savePictures(shot.name, [&] {
            auto detail = view(shot.id);
            detail->setTerms({"report"});
            detail->show();
            EXPECT_TRUE(QTest::qWaitFor([&] { return !detail->controller().loading(); }));
            if (shot.openText) {
                QTest::mouseClick(part<QToolButton>(*detail, "textButton"), Qt::LeftButton);
                EXPECT_TRUE(QTest::qWaitFor([&] { return !detail->controller().text().isEmpty(); }));
            }
            return detail;
        }));
    }
}
