#pragma once

#include "Support/BGRAImage.h"
#include "Support/Rect.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesperline::platform {

// One line of recognised text. Rectangles are normalised to the image (0...1) with the origin at
// the BOTTOM left, the convention recognition engines report in; callers that think top-left
// (window rectangles, regions of interest) convert explicitly.
struct TextObservation {
    struct Candidate {
        std::string text;
        double confidence = 0; // 0...1
        // One entry per user-perceived character of `text`; absent where the engine placed none
        // (the spaces between words, for one).
        std::vector<std::optional<ostrel::Rect>> characterBoxes;
    };

    ostrel::Rect boundingBox;
    std::optional<Candidate> topCandidate;
};

struct TextRecognitionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Text recognition on an image. Implementations are safe to call from several threads at once and
// block the calling thread until recognition ends.
class TextRecognizer {
  public:
    virtual ~TextRecognizer() = default;

    // Language identifiers such as "en-US" that recognition supports, in the engine's order.
    virtual std::vector<std::string> supportedLanguages() const = 0;

    // Lines of `image`, restricted to `regionOfInterest` (normalised, bottom-left origin) when given.
    // Throws TextRecognitionError when the engine fails.
    virtual std::vector<TextObservation> recognize(const ostrel::BGRAImageView& image,
                                                   const std::optional<ostrel::Rect>& regionOfInterest,
                                                   const std::vector<std::string>& languages) = 0;
};

} // namespace vesperline::platform
