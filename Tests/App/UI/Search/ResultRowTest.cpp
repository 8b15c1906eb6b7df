#include "UI/Search/ResultRow.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "SearchFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Search/ResultList.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/FrameThumbnail.h"
#include "UI/Shared/HighlightedText.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>

using namespace vesperline;

namespace {

class ResultRowTest : public SearchFixture {
  protected:
    ResultRow::Services services() {
        return {.thumbnails = thumbnails(), .applications = applications, .format = format, .clock = clock};
    }

    static ostrel::SearchHit hit(std::int64_t id, std::optional<std::string> app,
                                 std::optional<std::string> name, std::string excerpt,
                                 std::int64_t matchCount) {
        ostrel::SearchHit hit;
        hit.frame.id = id;
        hit.frame.timestamp = now - 600 - id * 60;
        hit.frame.appBundleID = std::move(app);
        hit.frame.appName = std::move(name);
        hit.frame.windowTitle = "Design review — Notes " + std::to_string(id);
        hit.frame.imageState = ostrel::ImageState::segment;
        hit.frame.segmentPath = "segments/2025-06-15/1-1.mp4";
        hit.frame.segmentIndex = id;
        const auto word = excerpt.find("invoice");
        hit.snippet = {excerpt, {}};
        if (word != std::string::npos) {
            hit.snippet.highlights.push_back(
                {static_cast<std::int64_t>(word), static_cast<std::int64_t>(word + 7)});
        }
        hit.matchCount = matchCount;
        return hit;
    }

    std::vector<ostrel::SearchHit> hits(int count) {
        std::vector<ostrel::SearchHit> result;
        for (int id = 1; id <= count; ++id) {
            result.push_back(hit(id, "org.example.notes", "Notes",
                                 "the quarterly invoice for the design review was sent to the team on Friday",
                                 id % 3 == 0 ? 4 : 1));
        }
        return result;
    }

    platform::FakeInstalledApplications applications;
    const Format format{"en_US", "Europe/Istanbul"};
};

template <typename T> T* part(QWidget& view, const char* name) {
    return view.findChild<T*>(name);
}

} // namespace

TEST_F(ResultRowTest, TheRowShowsTheMomentsAppTimeTitleExcerptAndCount) {
    struct Case {
        std::optional<std::string> app;
        std::optional<std::string> name;
        std::string excerpt;
        std::int64_t matchCount;
        const char* appLabel;
        const char* countLine; // empty: no count line
    };
    for (const Case& c : std::vector<Case>{
             {"org.example.notes", "Notes", "the quarterly invoice", 7, "Notes", "7 moments in this window"},
             {"org.example.notes", std::nullopt, "", 1, "org.example.notes", ""},
             {std::nullopt, std::nullopt, "https://example.com/a", 2, "", "2 moments in this window"},
         }) {
        ResultRow row(services());
        row.setHit(hit(1, c.app, c.name, c.excerpt, c.matchCount));
        row.resize(380, row.sizeHint().height());
        row.show();
        EXPECT_EQ(part<ElidedLabel>(row, "resultApp")->text().toStdString(), c.appLabel);
        EXPECT_TRUE(part<QLabel>(row, "resultTime")->text().startsWith("Today "));
        EXPECT_EQ(part<ElidedLabel>(row, "resultTitle")->text().toStdString(), "Design review — Notes 1");
        auto* excerpt = part<HighlightedText>(row, "resultExcerpt");
        EXPECT_EQ(excerpt->isVisible(), !c.excerpt.empty()) << c.excerpt;
        EXPECT_EQ(excerpt->content().text.toStdString(), c.excerpt);
        auto* count = part<QLabel>(row, "resultCount");
        EXPECT_EQ(count->isVisible(), *c.countLine != 0);
        EXPECT_EQ(count->text().toStdString(), c.countLine);
    }
}

TEST_F(ResultRowTest, SelectingARowMovesNothingInIt) {
    ResultRow row(services());
    row.setHit(hit(1, "org.example.notes", "Notes", "the quarterly invoice", 3));
    row.resize(380, row.sizeHint().height());
    row.show();
    QApplication::processEvents();
    const auto geometries = [&] {
        std::vector<QRect> rects;
        for (const QWidget* child : row.findChildren<QWidget*>()) {
            rects.push_back(child->geometry());
        }
        return rects;
    };
    const std::vector<QRect> before = geometries();
    row.setSelected(true);
    QApplication::processEvents();
    EXPECT_TRUE(row.selected());
    EXPECT_EQ(geometries(), before);
    EXPECT_GE(row.sizeHint().height(), ResultRow::thumbnailSize.height() + 2 * ResultRow::padding);
}

TEST_F(ResultRowTest, TheListReportsClicksAndKeysAndShowsTheSelectionItIsGiven) {
    ResultList list(services());
    list.resize(380, 500);
    list.setHits(hits(5), 2);
    list.show();
    QApplication::processEvents();
    EXPECT_TRUE(list.row(1)->selected());
    EXPECT_FALSE(list.row(0)->selected());

    QSignalSpy selections(&list, &ResultList::selectionRequested);
    QSignalSpy activations(&list, &ResultList::activated);
    // A click anywhere in a row, also on its text or its empty space, is the row's.
    QTest::mouseClick(list.row(3), Qt::LeftButton, {}, QPoint(list.row(3)->width() - 4, 4));
    QTest::mouseClick(part<HighlightedText>(*list.row(2), "resultExcerpt"), Qt::LeftButton);
    QTest::mouseDClick(list.row(4), Qt::LeftButton);
    ASSERT_GE(selections.size(), 2);
    EXPECT_EQ(selections[0][0].toLongLong(), 4);
    EXPECT_EQ(selections[1][0].toLongLong(), 3);
    ASSERT_EQ(activations.size(), 1);
    EXPECT_EQ(activations[0][0].toLongLong(), 5);
    EXPECT_FALSE(list.row(3)->selected()) << "the list shows only the selection it is given";

    selections.clear();
    list.setSelected(2);
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home}) {
        QTest::keyClick(&list, key);
    }
    ASSERT_EQ(selections.size(), 4);
    EXPECT_EQ(selections[0][0].toLongLong(), 3);
    EXPECT_EQ(selections[1][0].toLongLong(), 1);
    EXPECT_EQ(selections[2][0].toLongLong(), 5);
    EXPECT_EQ(selections[3][0].toLongLong(), 1);
}

TEST_F(ResultRowTest, OnlyRowsInViewLoadTheirThumbnails) {
    ResultList list(services());
    list.resize(380, 400);
    list.setHits(hits(60), 1);
    list.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !thumbnailRequests.empty(); }));
    QApplication::processEvents();
    const std::size_t firstLoad = thumbnailRequests.size();
    EXPECT_LT(firstLoad, 12u) << "a 400-point list shows a handful of rows";
    EXPECT_EQ(std::count(thumbnailRequests.begin(), thumbnailRequests.end(), 60), 0);

    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::count(thumbnailRequests.begin(), thumbnailRequests.end(), 60) == 1; }));
    EXPECT_LT(thumbnailRequests.size(), 2 * firstLoad + 2);

    // Revealing a row scrolls it into view.
    list.setSelected(1);
    list.revealSelected();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return list.row(0)->visibleRegion().boundingRect() == list.row(0)->rect(); }));
}

TEST_F(ResultRowTest, Pictures) {
    EXPECT_TRUE(testsupport::savePictures("search-result-rows", [this] {
        auto list = std::make_unique<ResultList>(services());
        list->resize(400, 520);
        list->setHeader("12 results");
        std::vector<ostrel::SearchHit> shown = hits(4);
        shown.push_back(hit(5, std::nullopt, std::nullopt, "", 1));
        list->setHits(shown, 2);
        return list;
    }));
}
