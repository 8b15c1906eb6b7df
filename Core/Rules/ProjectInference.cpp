#include "Rules/ProjectInference.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <uriparser/Uri.h>

namespace ostrel::ProjectInference {

namespace {

// Owns a parsed URI so every return path frees it.
class ParsedURI {
  public:
    explicit ParsedURI(const std::string& text) {
        UriParserStateA state{};
        state.uri = &uri_;
        valid_ = uriParseUriA(&state, text.c_str()) == URI_SUCCESS;
    }
    ~ParsedURI() { uriFreeUriMembersA(&uri_); }
    ParsedURI(const ParsedURI&) = delete;
    ParsedURI& operator=(const ParsedURI&) = delete;

    // The authority's host (user information and port excluded), percent-decoded; absent without one.
    std::optional<std::string> host() const {
        if (!valid_ || uri_.hostText.first == nullptr) {
            return std::nullopt;
        }
        std::string text(uri_.hostText.first, uri_.hostText.afterLast);
        if (text.empty()) {
            return text;
        }
        const char* end = uriUnescapeInPlaceExA(text.data(), URI_FALSE, URI_BR_DONT_TOUCH);
        text.resize(static_cast<std::size_t>(end - text.data()));
        return text;
    }

  private:
    UriUriA uri_{};
    bool valid_ = false;
};

} // namespace

std::optional<std::string> host(const std::optional<std::string>& address) {
    if (!address) {
        return std::nullopt;
    }
    // The parser stops at a NUL, which would silently cut the address; such text is no URL.
    if (address->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    auto result = ParsedURI(*address).host();
    if (!result) {
        return std::nullopt;
    }
    if (result->empty()) {
        return std::nullopt;
    }
    // Percent-decoding may have produced non-ASCII letters, so lower-case with Unicode rules.
    std::string lowered;
    icu::UnicodeString::fromUTF8(*result).toLower(icu::Locale::getRoot()).toUTF8String(lowered);
    *result = std::move(lowered);
    if (result->rfind("www.", 0) == 0) {
        result->erase(0, 4);
    }
    return result;
}

} // namespace ostrel::ProjectInference
