#include "Rules/LineSplitter.h"

#include "Rules/LineHash.h"
#include "Support/Graphemes.h"
#include "Support/Whitespace.h"

#include <unicode/utf8.h>
#include <unordered_set>

namespace ostrel::LineSplitter {
namespace {

constexpr std::size_t minimumLineCharacters = 2;

// Line feed, line tabulation, form feed, carriage return (CR LF is one character), next line, line
// separator and paragraph separator. Each of them is a character of its own.
bool isLineBreak(std::string_view character) {
    int32_t offset = 0;
    UChar32 scalar = 0;
    U8_NEXT(character.data(), offset, static_cast<int32_t>(character.size()), scalar);
    return (scalar >= 0x0A && scalar <= 0x0D) || scalar == 0x85 || scalar == 0x2028 || scalar == 0x2029;
}

// Builds one clean line, character by character.
class CleanLine {
  public:
    void add(std::string_view character) {
        if (Whitespace::startsWithWhitespace(character)) {
            gapPending_ = !text_.empty();
            return;
        }
        if (gapPending_) {
            text_ += ' ';
            ++characters_;
            gapPending_ = false;
        }
        text_ += character;
        ++characters_;
    }

    std::size_t characters() const { return characters_; }
    const std::string& text() const { return text_; }

    void clear() {
        text_.clear();
        characters_ = 0;
        gapPending_ = false;
    }

  private:
    std::string text_;
    std::size_t characters_ = 0;
    bool gapPending_ = false;
};

} // namespace

std::vector<std::string> lines(std::string_view text, std::size_t maxCharacters, std::size_t maxLines) {
    std::vector<std::string> result;
    if (text.empty() || maxLines == 0) {
        return result;
    }
    // Only the first `maxCharacters` characters are segmented, so a huge text costs no more.
    const std::vector<std::size_t> bounds = Graphemes::boundaries(text, maxCharacters);

    std::unordered_set<std::uint64_t> seen;
    CleanLine line;
    // Ends the current piece; false once the result is full.
    auto finishLine = [&] {
        if (line.characters() >= minimumLineCharacters && seen.insert(lineHash(line.text())).second) {
            result.push_back(line.text());
        }
        line.clear();
        return result.size() < maxLines;
    };
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        const std::string_view character = text.substr(bounds[i], bounds[i + 1] - bounds[i]);
        if (isLineBreak(character)) {
            if (!finishLine()) {
                return result;
            }
        } else {
            line.add(character);
        }
    }
    finishLine();
    return result;
}

} // namespace ostrel::LineSplitter
