#include "Search/SearchQuery.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

SearchQuery query(const std::string& text) {
    return SearchQuery(text, std::nullopt, std::nullopt, {}, 20, SearchQuery::Sort::relevance);
}

TEST(SearchQueryTest, MatchExpressionsOfShortInputs) {
    const struct {
        const char* text;
        std::optional<std::string> expression;
    } cases[] = {
        {"hello world", R"("hello" "world"*)"},
        {"hello world ", R"("hello" "world")"},
        {"hello w", R"("hello"*)"},
        {"w", R"("w"*)"},
        {R"("red fox" w)", R"("red fox")"},
        {R"("red fox" jumps)", R"("red fox" "jumps"*)"},
        {R"(jumps "red fox")", R"("jumps" "red fox")"},
        {R"("red fox)", R"("red fox")"},
        {"e-mail", R"("e mail"*)"},
        {"\u00c7ALI\u015eMA", R"("calisma"*)"},
        {"app:Mail invoice", R"("invoice"*)"},
        {"App:Notes", std::nullopt},
        {"site:wiki api", R"("api"* url : "wiki"*)"},
        {R"("")", std::nullopt},
        {"", std::nullopt},
        {" \t\u00a0", std::nullopt},
        {"site:shop.test.com", R"(url : "shop test com"*)"},
        {"site:https://www.shop.test/a", R"(url : "shop test a"*)"},
        {"site:WWW.shop.test", R"(url : "shop test"*)"},
        {"site:www", R"(url : "www"*)"},
        {"\u201cred fox\u201d", R"("red" "fox"*)"},
        {R"(ab"cd ef"gh)", R"("ab" "cd ef" "gh"*)"},
        {R"("site:wiki app:x")", R"("site wiki app x")"},
        {"hello w\u00e9", R"("hello" "we"*)"},
        {"hello \u00e9", R"("hello"*)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(query(c.text).matchExpression(true), c.expression) << "text: " << c.text;
    }
    EXPECT_EQ(query("hello world").matchExpression(false), R"("hello" "world")");
}

TEST(SearchQueryTest, ParsesPhrasesFiltersAndTrailingSpace) {
    const SearchQuery parsed(R"(  "Red  FOX" app:Mail UYGULAMA:Notlar site:www.Wiki.org e-mail app: )",
                             1000.0, 2000.0, {"org.example.mail"}, 5, SearchQuery::Sort::newest);
    const std::vector<SearchQuery::Phrase> phrases{{{"red", "fox"}, true}, {{"e", "mail"}, false}};
    EXPECT_EQ(parsed.phrases(), phrases);
    EXPECT_EQ(parsed.appNameFilters(), (std::vector<std::string>{"mail", "notlar"}));
    // Addresses are indexed without scheme and "www.", so the filter drops them too.
    EXPECT_EQ(parsed.siteTokens(), (std::vector<std::vector<std::string>>{{"wiki", "org"}}));
    EXPECT_TRUE(parsed.endsWithSpace());
    EXPECT_FALSE(parsed.isEmpty());
    EXPECT_EQ(parsed.from, 1000.0);
    EXPECT_EQ(parsed.to, 2000.0);
    EXPECT_EQ(parsed.limit, 5);
    EXPECT_EQ(parsed.sort, SearchQuery::Sort::newest);
    EXPECT_EQ(parsed.highlightTerms(), (std::vector<std::string>{"red", "fox", "e", "mail", "wiki", "org"}));
}

TEST(SearchQueryTest, EmptyQueriesAndQuotedAppNames) {
    EXPECT_TRUE(query("App:Notes").isEmpty());
    EXPECT_EQ(query("App:Notes").appNameFilters(), std::vector<std::string>{"notes"});
    EXPECT_TRUE(query("   ").isEmpty());
    EXPECT_TRUE(query("   ").endsWithSpace());
    EXPECT_FALSE(query("").endsWithSpace());

    const SearchQuery quotedName = query(R"(app:"Visual Studio")");
    EXPECT_TRUE(quotedName.appNameFilters().empty());
    EXPECT_EQ(quotedName.phrases(), (std::vector<SearchQuery::Phrase>{{{"visual", "studio"}, true}}));
}

TEST(SearchQueryTest, HighlightsRepeatedWordsOnceAndKeepsTheTrailingLetter) {
    EXPECT_EQ(query("fox Fox w site:fox").highlightTerms(), (std::vector<std::string>{"fox", "w"}));
    EXPECT_EQ(query("app:mail").highlightTerms(), std::vector<std::string>{});
}

// A prepended mark joins the next character into one cluster, so a double quote can end up inside
// a token; it must not end the FTS5 string early.
TEST(SearchQueryTest, QuoteInsideATokenIsEscaped) {
    const std::string reph = "\u0d4e";
    const SearchQuery parsed = query(reph + "\"abc");
    ASSERT_EQ(parsed.phrases().size(), 1u);
    EXPECT_EQ(parsed.phrases()[0].tokens, std::vector<std::string>{reph + "\"abc"});
    EXPECT_EQ(parsed.matchExpression(true), "\"" + reph + "\"\"abc\"*");
}

// `count` different words "w0 w1 ..." joined by `separator`.
std::string words(int count, const std::string& separator = " ") {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? separator : "") + "w" + std::to_string(i);
    }
    return text;
}

std::size_t wordCount(const SearchQuery& parsed) {
    std::size_t count = parsed.appNameFilters().size();
    for (const SearchQuery::Phrase& phrase : parsed.phrases()) {
        count += phrase.tokens.size();
    }
    for (const std::vector<std::string>& site : parsed.siteTokens()) {
        count += site.size();
    }
    return count;
}

TEST(SearchQueryTest, OnlyTheBeginningOfALongTextIsRead) {
    const std::string letters(1000, 'a');
    const std::string decomposed = [] {
        std::string text;
        for (int i = 0; i < 1000; ++i) {
            text += "e\u0301";
        }
        return text;
    }();
    const struct {
        const char* name;
        std::string text;
        bool shortened;
        std::size_t words;
        std::optional<std::string> lastToken;
    } cases[] = {
        {"64 words", words(64), false, 64, "w63"},
        {"65 words", words(65), true, 64, "w63"},
        {"40,000 words", words(40'000), true, 64, "w63"},
        {"2,000,000 words", words(2'000'000), true, 64, "w63"},
        {"a quoted phrase of 70 words", "\"" + words(70) + "\"", true, 64, "w63"},
        {"words inside one term", words(70, "-"), true, 64, "w63"},
        {"70 app filters", "app:" + words(70, " app:"), true, 64, std::nullopt},
        {"a site of 70 words", "site:" + words(70, "."), true, 64, std::nullopt},
        {"1000 characters", letters, false, 1, letters},
        {"1001 characters", letters + "b", true, 1, letters},
        {"1000 characters of two code points each", decomposed, false, 1, std::nullopt},
        {"1000 characters and white space", letters + " \t\u3000 ", false, 1, letters},
        {"1000 characters, white space and a word", letters + "   b", true, 1, letters},
        {"a word past the first 1000 characters", std::string(1200, ' ') + "word", true, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SearchQuery parsed = query(c.text);
        EXPECT_EQ(parsed.isShortened(), c.shortened);
        EXPECT_EQ(wordCount(parsed), c.words);
        EXPECT_EQ(parsed.text(), c.text);
        if (c.lastToken) {
            ASSERT_FALSE(parsed.phrases().empty());
            EXPECT_EQ(parsed.phrases().back().tokens.back(), *c.lastToken);
        }
    }
}

TEST(SearchQueryTest, TheLastCharacterDecidesThePrefixOfALongText) {
    const std::string letters(1000, 'a');
    // White space after the last character read: the last word is whole, as in any text ending so.
    EXPECT_EQ(query(letters + " ").matchExpression(true), "\"" + letters + "\"");
    EXPECT_TRUE(query(letters + " ").endsWithSpace());
    // More text after it: the text's own last character decides.
    EXPECT_FALSE(query(letters + " b").endsWithSpace());
    EXPECT_TRUE(query(letters + " b ").endsWithSpace());
    EXPECT_EQ(query(letters + " b").matchExpression(true), "\"" + letters + "\"*");
}

TEST(SearchQueryTest, SortRawValues) {
    EXPECT_EQ(SearchQuery::allSorts, (std::array{SearchQuery::Sort::relevance, SearchQuery::Sort::newest}));
    for (const SearchQuery::Sort sort : SearchQuery::allSorts) {
        EXPECT_EQ(SearchQuery::sortFromRaw(toRaw(sort)), sort);
    }
    EXPECT_EQ(toRaw(SearchQuery::Sort::newest), "newest");
    EXPECT_EQ(SearchQuery::sortFromRaw("Newest"), std::nullopt);
    EXPECT_EQ(SearchQuery::sortFromRaw(""), std::nullopt);
}

} // namespace
