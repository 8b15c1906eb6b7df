#include "Storage/MemoryStore.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class MemoryStoreWritingTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    std::filesystem::path file = folder.path() / "ostrel.sqlite";
    MemoryStore store{file, false};

    static NewFrame frame(std::vector<std::string> lines, std::optional<std::string> title = std::nullopt,
                          std::optional<std::string> url = std::nullopt) {
        return testsupport::Moment(1'700'000'000.25, 0)
            .app("org.example.editor", "Editor")
            .title(std::move(title))
            .url(std::move(url))
            .lines(std::move(lines));
    }

    FrameRecord record(std::int64_t id) {
        const auto rows =
            store.db().query(std::string("SELECT ") + MemoryStore::frameRecordColumns +
                                 " FROM frames f LEFT JOIN segments s ON s.id = f.segment_id WHERE f.id = ?",
                             {SQLValue::integer(id)}, false, MemoryStore::readFrameRecord);
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? FrameRecord{} : rows.front();
    }

    std::optional<std::string> body(std::int64_t id) {
        return store.db().scalarText("SELECT body FROM frame_text WHERE frame_id = ?",
                                     {SQLValue::integer(id)});
    }

    // Rowids the index returns for a raw match expression, one entry per index row.
    std::vector<std::int64_t> matching(const std::string& expression) {
        return store.db().query("SELECT rowid FROM frame_fts WHERE frame_fts MATCH ? ORDER BY rowid",
                                {SQLValue::text(expression)}, false,
                                [](const SQLRow& row) { return row.int64(0); });
    }

    void expectIndexIntact() {
        EXPECT_NO_THROW(store.db().execute("INSERT INTO frame_fts(frame_fts) VALUES('integrity-check')"));
    }
};

TEST_F(MemoryStoreWritingTest, InsertedMomentReadsBackInFull) {
    store.db().run("INSERT INTO segments (id, path, start_ts, end_ts, frame_count, width, height, bytes) "
                   "VALUES (4, 'segments/a.mp4', 0, 1, 1, 10, 10, 100)");
    NewFrame made = frame({"a", "b"}, "Title", "https://example.org/x");
    made.displayID = 0xFFFF'FFF0u;
    made.project = "Ostrel";
    made.perceptualHash = 0x8000'0000'0000'0001ULL;
    made.width = 1920;
    made.height = 1080;
    made.imageState = ImageState::segment;
    made.segmentID = 4;
    made.segmentIndex = 17;
    made.ocrState = OCRState::queued;
    made.textSource = TextSource::accessibility();
    made.bytes = 12345;
    made.windowRect = RelativeRect{0.1, 0.2, 0.5, 0.25};

    const std::int64_t id = store.insertFrame(made);
    const FrameRecord read = record(id);

    EXPECT_EQ(read.timestamp, made.timestamp);
    EXPECT_EQ(read.displayID, made.displayID);
    EXPECT_EQ(read.appBundleID, made.appBundleID);
    EXPECT_EQ(read.appName, made.appName);
    EXPECT_EQ(read.windowTitle, made.windowTitle);
    EXPECT_EQ(read.url, made.url);
    EXPECT_EQ(read.project, made.project);
    EXPECT_EQ(read.width, 1920);
    EXPECT_EQ(read.height, 1080);
    EXPECT_EQ(read.imageState, ImageState::segment);
    EXPECT_EQ(read.imagePath, std::nullopt);
    EXPECT_EQ(read.segmentID, 4);
    EXPECT_EQ(read.segmentIndex, 17);
    EXPECT_EQ(read.segmentPath, "segments/a.mp4");
    EXPECT_EQ(read.ocrState, OCRState::queued);
    EXPECT_EQ(read.textSource, TextSource::accessibility());
    EXPECT_EQ(read.textChars, 3);
    EXPECT_EQ(read.keyframe, 0);
    EXPECT_EQ(read.bytes, 12345);
    EXPECT_EQ(read.windowRect, made.windowRect);
    EXPECT_EQ(body(id), "a\nb");
    EXPECT_EQ(store.db().scalarInt("SELECT phash FROM frames WHERE id = ?", {SQLValue::integer(id)}),
              static_cast<std::int64_t>(0x8000'0000'0000'0001ULL));

    const auto summaries =
        store.db().query(std::string("SELECT ") + MemoryStore::frameSummaryColumns +
                             ", 99.5 FROM frames f LEFT JOIN segments s ON s.id = f.segment_id",
                         {}, false, MemoryStore::readFrameSummary);
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0],
              (FrameSummary{id, made.timestamp, made.displayID, made.appBundleID, made.appName,
                            made.windowTitle, made.url, ImageState::segment, "segments/a.mp4", 17}));
}

TEST_F(MemoryStoreWritingTest, MomentWithoutTextStillGetsItsTextAndIndexRows) {
    const std::int64_t id = store.insertFrame(frame({}, "Lonely Title"));
    EXPECT_EQ(body(id), "");
    EXPECT_EQ(record(id).textChars, 0);
    EXPECT_EQ(record(id).windowRect, std::nullopt);
    EXPECT_EQ(matching("lonely"), std::vector<std::int64_t>{id});
}

TEST_F(MemoryStoreWritingTest, MomentIsIndexedFoldedByTextTitleAndAddress) {
    const std::int64_t id = store.insertFrame(
        frame({"Çalışma RAPORU", "ıstanbul"}, "Büyük İSTANBUL", "https://www.Örnek.com.tr/Yol"));
    const std::int64_t other = store.insertFrame(frame({"nothing alike"}));
    for (const char* expression : {"calisma", "rapor*", "buyuk", "title : istanbul", "body : istanbul",
                                   "url : \"ornek com tr yol\"", "url : www", "url : https"}) {
        const bool expectHit =
            std::string(expression) != "url : www" && std::string(expression) != "url : https";
        EXPECT_EQ(matching(expression),
                  expectHit ? std::vector<std::int64_t>{id} : std::vector<std::int64_t>{})
            << expression;
    }
    EXPECT_EQ(matching("alike"), std::vector<std::int64_t>{other});
}

TEST_F(MemoryStoreWritingTest, SearchableAddressLosesSchemeAndWwwOnlyWhenSpelledExactly) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, ""},
        {"", ""},
        {"https://www.Example.com/Path", "example.com/path"},
        {"http://example.com", "example.com"},
        {"HTTPS://Example.com", "https://example.com"},
        {"www.example.com", "example.com"},
        {"https://wwwexample.com", "wwwexample.com"},
        {"ftp://www.example.com", "ftp://www.example.com"},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(MemoryStore::searchableURL(url), expected) << url.value_or("<absent>");
    }
}

TEST_F(MemoryStoreWritingTest, AddedTextKeepsOldWordsFindableWithOneIndexRow) {
    const std::int64_t id = store.insertFrame(frame({"alpha"}, "Window"));
    store.addText(id, {"beta", "gamma"}, TextSource::ocr(), OCRState::done);

    EXPECT_EQ(body(id), "alpha\nbeta\ngamma");
    const FrameRecord read = record(id);
    EXPECT_EQ(read.textChars, 16);
    EXPECT_EQ(read.ocrState, OCRState::done);
    EXPECT_EQ(read.textSource, TextSource::ocr());
    for (const char* word : {"alpha", "beta", "gamma", "window"}) {
        EXPECT_EQ(matching(word), std::vector<std::int64_t>{id}) << word;
    }
    expectIndexIntact();
}

TEST_F(MemoryStoreWritingTest, AddTextJoinsBodiesAndOrsSources) {
    const struct {
        std::vector<std::string> before;
        std::vector<std::string> added;
        std::string after;
    } cases[] = {
        {{"a"}, {"c"}, "a\nc"},
        {{}, {"c"}, "c"},
        {{"a", "b"}, {}, "a\nb"},
    };
    for (const auto& c : cases) {
        NewFrame made = frame(c.before);
        made.textSource = TextSource::accessibility();
        made.ocrState = OCRState::queued;
        const std::int64_t id = store.insertFrame(made);
        // A count left stale by an earlier writer is recounted from the body.
        store.db().run("UPDATE frames SET text_chars = 99 WHERE id = ?", {SQLValue::integer(id)});
        store.addText(id, c.added, TextSource::ocr());
        EXPECT_EQ(body(id), c.after);
        const FrameRecord read = record(id);
        EXPECT_EQ(read.textChars, static_cast<std::int64_t>(c.after.size()));
        EXPECT_EQ(read.textSource, TextSource({TextSource::accessibility(), TextSource::ocr()}));
        EXPECT_EQ(read.ocrState, OCRState::queued);
    }
    expectIndexIntact();
}

TEST_F(MemoryStoreWritingTest, WritesToAMissingMomentChangeNothing) {
    const std::int64_t id = store.insertFrame(frame({"kept"}));
    EXPECT_NO_THROW(store.addText(id + 1, {"lost"}, TextSource::ocr(), OCRState::done));
    EXPECT_NO_THROW(store.setOCRState(id + 1, OCRState::failed));
    EXPECT_NO_THROW(store.deleteFTSRow(id + 1));
    EXPECT_EQ(store.db().scalarInt("SELECT count(*) FROM frames"), 1);
    EXPECT_EQ(store.db().scalarInt("SELECT count(*) FROM frame_text"), 1);
    EXPECT_TRUE(matching("lost").empty());

    store.setOCRState(id, OCRState::failed);
    EXPECT_EQ(record(id).ocrState, OCRState::failed);
}

TEST_F(MemoryStoreWritingTest, RemovedIndexRowNoLongerMatchesAndRepeatingItIsHarmless) {
    const std::int64_t gone =
        store.insertFrame(frame({"shared words", "Ünique"}, "Başlık", "https://a.example"));
    const std::int64_t kept = store.insertFrame(frame({"shared words"}, "Başlık"));

    // A moment listed twice in one deletion removes its index row twice before its rows go.
    store.deleteFTSRow(gone);
    store.deleteFTSRow(gone);

    EXPECT_TRUE(matching("unique").empty());
    EXPECT_EQ(matching("shared"), std::vector<std::int64_t>{kept});
    EXPECT_EQ(matching("baslik"), std::vector<std::int64_t>{kept});
    expectIndexIntact();
    // The index statistics still count exactly one row: bm25 relies on them.
    const double score =
        *store.db().scalarDouble("SELECT bm25(frame_fts) FROM frame_fts WHERE frame_fts MATCH 'shared'");
    store.deleteFTSRow(kept);
    const std::int64_t again = store.insertFrame(frame({"shared words"}, "Başlık"));
    EXPECT_EQ(store.db().scalarDouble("SELECT bm25(frame_fts) FROM frame_fts WHERE frame_fts MATCH 'shared'"),
              score);
    EXPECT_EQ(matching("shared"), std::vector<std::int64_t>{again});
}

TEST_F(MemoryStoreWritingTest, ReadersMapOddStoredValuesToTheirDefaults) {
    const std::int64_t id = store.insertFrame(frame({"x"}));
    store.db().run(
        "UPDATE frames SET image_state = 9, ocr_state = -1, text_source = 3, win_x = 0.1, win_y = 0.1, "
        "win_w = 0.5, win_h = NULL, display_id = 4294967297, segment_id = 77 WHERE id = ?",
        {SQLValue::integer(id)});
    const FrameRecord read = record(id);
    EXPECT_EQ(read.imageState, ImageState::none);
    EXPECT_EQ(read.ocrState, OCRState::notNeeded);
    EXPECT_EQ(read.textSource, TextSource({TextSource::accessibility(), TextSource::ocr()}));
    EXPECT_EQ(read.windowRect, std::nullopt);
    EXPECT_EQ(read.displayID, 1u);
    EXPECT_EQ(read.segmentID, 77);
    EXPECT_EQ(read.segmentPath, std::nullopt);
}

TEST_F(MemoryStoreWritingTest, FailedInsertLeavesNoRowBehind) {
    store.insertFrame(frame({"first"}));
    store.db().execute("DROP TABLE frame_text");
    EXPECT_THROW(store.insertFrame(frame({"second"})), SQLiteError);
    EXPECT_EQ(store.db().scalarInt("SELECT count(*) FROM frames"), 1);
    EXPECT_TRUE(matching("second").empty());
}

TEST_F(MemoryStoreWritingTest, ReadOnlyStoreRefusesWrites) {
    const std::int64_t id = store.insertFrame(frame({"first"}));
    MemoryStore reader(file, true);
    EXPECT_THROW(reader.insertFrame(frame({"second"})), SQLiteError);
    EXPECT_THROW(reader.addText(id, {"more"}, TextSource::ocr()), SQLiteError);
    EXPECT_EQ(store.db().scalarInt("SELECT count(*) FROM frames"), 1);
    EXPECT_EQ(body(id), "first");
}

} // namespace
