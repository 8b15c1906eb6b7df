#include "Storage/MemoryStore.h"
#include "Support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel;

namespace {

constexpr Time now = 1'700'000'000;
constexpr Time day = 86400;

class MemoryStoreSearchTest : public ::testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    std::filesystem::path file = folder.path() / "ostrel.sqlite";
    MemoryStore store{file, false};

    std::int64_t add(Time ts, std::optional<std::string> bundle, std::optional<std::string> appName,
                     std::optional<std::string> title, std::optional<std::string> url,
                     std::vector<std::string> lines) {
        NewFrame frame;
        frame.timestamp = ts;
        frame.appBundleID = std::move(bundle);
        frame.appName = std::move(appName);
        frame.windowTitle = std::move(title);
        frame.url = std::move(url);
        frame.lines = std::move(lines);
        return store.insertFrame(frame);
    }

    std::vector<SearchHit> search(const std::string& text, std::int64_t limit = 20,
                                  SearchQuery::Sort sort = SearchQuery::Sort::relevance,
                                  std::vector<std::string> bundles = {},
                                  std::optional<Time> from = std::nullopt,
                                  std::optional<Time> to = std::nullopt) {
        return store.search(SearchQuery(text, from, to, std::move(bundles), limit, sort), now);
    }

    static std::vector<std::int64_t> ids(const std::vector<SearchHit>& hits) {
        std::vector<std::int64_t> result;
        for (const SearchHit& hit : hits) {
            result.push_back(hit.frame.id);
        }
        return result;
    }
};

// A small store and the moments each query finds, newest first.
TEST_F(MemoryStoreSearchTest, QueriesFindTheirMoments) {
    const auto invoice = add(now - 5 * day, "org.example.mail", "Mail", "Inbox", std::nullopt,
                             {"Invoice 2024 from ACME", "Total due: 12"});
    const auto wiki = add(now - 4 * day, "org.example.browser", "Browser", "API reference",
                          "https://www.wiki.example.org/api/Invoice", {"The api of the wiki"});
    const auto turkish = add(now - 3 * day, "org.example.notes", "Notlar", "İSTANBUL notları", std::nullopt,
                             {"ÇALIŞMA planı", "red fox jumps"});
    const auto email = add(now - 2 * day, "org.example.editor", std::nullopt, "Draft", std::nullopt,
                           {"send the e-mail today", "fox red"});
    const auto untitled = add(now - 1 * day, std::nullopt, std::nullopt, std::nullopt,
                              "http://shop.test/cart", {"invoices and receipts"});

    const struct {
        const char* text;
        std::vector<std::int64_t> expected;
    } cases[] = {
        {"invoice ", {wiki, invoice}},
        {"invoice", {untitled, wiki, invoice}},
        {"INVO", {untitled, wiki, invoice}},
        {"acme", {invoice}},
        {"inbox", {invoice}},
        {"istanbul", {turkish}},
        {"calisma", {turkish}},
        {"\"red fox\"", {turkish}},
        {"fox red ", {email, turkish}},
        {"email", {}},
        {"e-mail", {email}},
        {"app:mail invoice ", {invoice}},
        {"app:notlar fox", {turkish}},
        {"uygulama:EXAMPLE.EDITOR fox", {email}},
        {"app:nothing invoice", {}},
        {"app:mail", {}},
        {"site:wiki", {wiki}},
        {"site:shop.test", {untitled}},
        {"site:example invoice", {wiki}},
        {"site:http", {}},
        // What an address bar shows finds its pages: the index keeps addresses without scheme and www.
        {"site:www.wiki.example.org", {wiki}},
        {"site:https://www.wiki.example.org/api", {wiki}},
        {"site:HTTP://shop.test/cart", {untitled}},
        {"   ", {}},
        {"\"\"", {}},
        {"\u0d4e\"abc", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ids(search(c.text, 20, SearchQuery::Sort::newest)), c.expected) << "query: " << c.text;
    }
}

// Terminal prompts and icon fonts glue glyphs to words; the words are found as typed in the app (the
// last word a prefix) and as an assistant sends them (with a trailing space).
TEST_F(MemoryStoreSearchTest, FindsWordsNextToGlyphs) {
    const auto prompt = add(now - 30, "org.term", "Terminal", "zsh", std::nullopt, {"\uE0A0main branch"});
    const auto icon = add(now - 20, "org.prefs", "Settings", "\uF007Profile settings", std::nullopt, {});
    const auto symbol =
        add(now - 10, "org.notes", "Notes", "Chess", std::nullopt, {"combin\U0001FA51 moves"});
    const struct {
        const char* text;
        std::int64_t expected;
    } cases[] = {
        {"main", prompt},   {"main ", prompt},  {"branch main ", prompt}, {"profile", icon},
        {"Profile ", icon}, {"combin", symbol}, {"combin ", symbol},      {"\uE0A0main", prompt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ids(search(c.text)), std::vector<std::int64_t>{c.expected}) << "query: " << c.text;
    }
    EXPECT_EQ(search("main ").front().snippet, (Snippet{"\uE0A0main branch", {{1, 5}}}));
}

TEST_F(MemoryStoreSearchTest, FiltersByTimeAndApps) {
    const auto a = add(now - 300, "org.a", "Alpha", "One", std::nullopt, {"word"});
    const auto b = add(now - 200, "org.b", "Beta", "Two", std::nullopt, {"word"});
    const auto c = add(now - 100, "org.c", "Gamma", "Three", std::nullopt, {"word"});
    const auto newest = SearchQuery::Sort::newest;

    EXPECT_EQ(ids(search("word", 20, newest, {}, now - 200, now - 100)), std::vector<std::int64_t>{b});
    EXPECT_EQ(ids(search("word", 20, newest, {}, now - 200)), (std::vector<std::int64_t>{c, b}));
    EXPECT_EQ(ids(search("word", 20, newest, {}, std::nullopt, now - 200)), std::vector<std::int64_t>{a});
    EXPECT_EQ(ids(search("word", 20, newest, {"org.a", "org.c"})), (std::vector<std::int64_t>{c, a}));
    // Name filter and bundle list together: only the bundles in both.
    EXPECT_EQ(ids(search("word app:a", 20, newest, {"org.a", "org.b"})), (std::vector<std::int64_t>{b, a}));
    EXPECT_EQ(ids(search("word app:gamma", 20, newest, {"org.a", "org.b"})), std::vector<std::int64_t>{});
    EXPECT_EQ(ids(search("word", 2, newest)), (std::vector<std::int64_t>{c, b}));
    EXPECT_TRUE(search("word", 0).empty());
    EXPECT_TRUE(search("word", -3).empty());
    EXPECT_EQ(ids(search("word", std::numeric_limits<std::int64_t>::max(), newest)),
              (std::vector<std::int64_t>{c, b, a}));
}

TEST_F(MemoryStoreSearchTest, GroupsOneWindowWithin600Seconds) {
    const auto first = add(now - 10'000, "org.a", "A", "Doc", std::nullopt, {"near"});
    add(now - 10'000 + 599, "org.a", "A", "Doc", std::nullopt, {"near"});
    add(now - 9'000, "org.a", "A", "Doc", std::nullopt, {"far"});
    add(now - 9'000 + 600, "org.a", "A", "Doc", std::nullopt, {"far"});
    add(now - 8'000, "org.a", "A", "Same", std::nullopt, {"apps"});
    add(now - 8'000, "org.b", "B", "Same", std::nullopt, {"apps"});
    add(now - 7'000, "org.a", "A", std::nullopt, std::nullopt, {"untitled"});
    add(now - 7'000 + 10, "org.a", "A", std::nullopt, std::nullopt, {"untitled"});
    add(now - 7'000 + 20, "org.a", "A", "", std::nullopt, {"untitled"});

    const auto near = search("near", 20, SearchQuery::Sort::newest);
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].matchCount, 2);
    EXPECT_EQ(near[0].frame.id, first + 1); // newest first: the later moment stands for the group
    EXPECT_EQ(search("far").size(), 2u);
    EXPECT_EQ(search("apps").size(), 2u);
    const auto untitled = search("untitled", 20, SearchQuery::Sort::newest);
    ASSERT_EQ(untitled.size(), 2u); // an empty title is a title, not an absent one
    EXPECT_EQ(untitled[1].matchCount, 2);
}

TEST_F(MemoryStoreSearchTest, RanksByRelevanceThenRecencyAndCount) {
    const auto older = add(now - 10 * day, "org.a", "A", "One", std::nullopt, {"same words here"});
    const auto newer = add(now - 1 * day, "org.b", "B", "Two", std::nullopt, {"same words here"});
    const auto inTitle = add(now - 1 * day + 1, "org.c", "C", "Words", std::nullopt, {"nothing else"});
    // bm25 needs the word to be rarer than half the index to score above the floor.
    for (int i = 0; i < 20; ++i) {
        add(now - 40 * day - i * day, "org.d", "D", "Filler", std::nullopt, {"other text"});
    }

    const auto hits = search("words");
    EXPECT_EQ(ids(hits), (std::vector<std::int64_t>{inTitle, newer, older}));
    for (std::size_t i = 0; i + 1 < hits.size(); ++i) {
        EXPECT_GT(hits[i].score, hits[i + 1].score);
    }
    const auto newest = search("words", 20, SearchQuery::Sort::newest);
    EXPECT_EQ(ids(newest), (std::vector<std::int64_t>{inTitle, newer, older}));
    EXPECT_EQ(newest[1].score, hits[1].score); // the same group scores the same in both sorts
    EXPECT_GT(hits[2].score, 0.001);
}

TEST_F(MemoryStoreSearchTest, GroupScore) {
    EXPECT_DOUBLE_EQ(MemoryStore::groupScore(2.0, 1, now, now), 2.0);
    EXPECT_DOUBLE_EQ(MemoryStore::groupScore(2.0, 1, now + 50, now), 2.0);
    EXPECT_NEAR(MemoryStore::groupScore(1.0, 1, now - 7 * day, now), 0.6 + 0.4 / std::exp(1.0), 1e-12);
    EXPECT_NEAR(MemoryStore::groupScore(1.0, 20, now, now), 1.1498, 1e-4);
    EXPECT_DOUBLE_EQ(MemoryStore::groupScore(-3.0, 1, now, now), 0.0001);
    EXPECT_GT(MemoryStore::groupScore(0, 1, now, now), MemoryStore::groupScore(0, 1, now - day, now));
}

TEST_F(MemoryStoreSearchTest, HitsCarrySnippetsFromTextTitleOrAddress) {
    const auto withText =
        add(now - 30, "org.a", "A", "Report", std::nullopt, {"header", "Quarterly Total: 12"});
    const auto noText = add(now - 20, "org.b", "B", "Total Recall", std::nullopt, {});
    const auto urlOnly = add(now - 10, "org.c", "C", std::nullopt, "https://total.example", {});
    const auto missingRow = add(now - 5, "org.d", "D", "Plain", std::nullopt, {"total"});
    store.db().run("DELETE FROM frame_text WHERE frame_id = ?", {SQLValue::integer(missingRow)});

    const auto hits = search("total", 20, SearchQuery::Sort::newest);
    ASSERT_EQ(ids(hits), (std::vector<std::int64_t>{missingRow, urlOnly, noText, withText}));
    EXPECT_EQ(hits[0].snippet, (Snippet{"Plain", {}}));
    EXPECT_EQ(hits[1].snippet, (Snippet{"https://total.example", {{8, 13}}}));
    EXPECT_EQ(hits[2].snippet, (Snippet{"Total Recall", {{0, 5}}}));
    EXPECT_EQ(hits[3].snippet, (Snippet{"Quarterly Total: 12", {{10, 15}}}));
    EXPECT_EQ(hits[3].frame.appName, "A");
    EXPECT_EQ(hits[3].matchCount, 1);
}

TEST_F(MemoryStoreSearchTest, AddedTextIsFoundOnceWithOldWords) {
    const auto id = add(now - 60, "org.a", "A", "Scan", std::nullopt, {"before"});
    store.addText(id, {"after"}, TextSource::ocr(), OCRState::done);
    EXPECT_EQ(ids(search("before")), std::vector<std::int64_t>{id});
    EXPECT_EQ(ids(search("after")), std::vector<std::int64_t>{id});
    EXPECT_EQ(search("before after").front().snippet.text, "before");
}

TEST_F(MemoryStoreSearchTest, ReadOnlyStoreSearchesAndEmptyQueriesTouchNothing) {
    const auto id = add(now - 60, "org.a", "A", "Scan", std::nullopt, {"shared"});
    MemoryStore reader(file, true);
    EXPECT_EQ(
        ids(reader.search(
            SearchQuery("shared", std::nullopt, std::nullopt, {}, 5, SearchQuery::Sort::relevance), now)),
        std::vector<std::int64_t>{id});

    store.db().close();
    EXPECT_TRUE(search("app:a").empty());
    EXPECT_TRUE(search(" ").empty());
    EXPECT_THROW(search("shared"), SQLiteError);
}

} // namespace
