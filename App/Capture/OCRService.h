#pragma once

#include "Platform/TextRecognizer.h"
#include "Storage/RelativeRect.h"
#include "Support/BGRAImage.h"
#include "Support/Rect.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// The one wrapper around text recognition: reads an image (or a region of it) into lines in reading
// order, and finds where search terms stand in a stored picture. The recorder, the OCR backlog and
// the moment view use one instance from several threads at once. The recognition languages are
// chosen once, on first use: listing what the recogniser supports loads an engine, which happens on
// the thread that recognises, never on the one that creates the service at start-up.
class OCRService final {
  public:
    // `preferredLanguages` are the user's language tags in priority order ("tr-TR", "en-GB", ...).
    OCRService(platform::TextRecognizer& recognizer, const std::vector<std::string>& preferredLanguages);
    OCRService(const OCRService&) = delete;
    OCRService& operator=(const OCRService&) = delete;

    // The user's language tags from the system's locale settings.
    static std::vector<std::string> systemPreferredLanguages();

    // At most three recognition languages, in priority order.
    const std::vector<std::string>& languages() const;

    // Lines of the image; with a usable region of interest (top-left origin, as window rectangles
    // are) only that part is read. A failure is logged and reads as no lines.
    std::vector<platform::TextObservation>
    recognize(const ostrel::BGRAImageView& image,
              const std::optional<ostrel::RelativeRect>& regionOfInterest) const;

    // The texts of the confident observations, top to bottom, then left to right within a row of
    // 1/200 of the image height.
    static std::vector<std::string> orderedLines(const std::vector<platform::TextObservation>& observations);
    // The positions of the confident observations in that order.
    static std::vector<std::size_t> readingOrder(const std::vector<platform::TextObservation>& observations);

    // Boxes (normalised, bottom-left origin) of every occurrence of the terms in the picture's text,
    // observation by observation. Terms shorter than two characters are ignored; with none left,
    // nothing is recognised.
    std::vector<ostrel::Rect> highlightBoxes(const std::vector<std::string>& terms,
                                             const ostrel::BGRAImageView& image) const;
    // The same over observations read before.
    static std::vector<ostrel::Rect>
    highlightBoxes(const std::vector<std::string>& terms,
                   const std::vector<platform::TextObservation>& observations);
    // The terms a search for boxes looks for: folded, and at least two characters long.
    static std::vector<std::string> highlightTerms(const std::vector<std::string>& terms);

    // The region handed to the recogniser for a top-left region of interest, or none when the
    // region is too small to restrict recognition to (the whole image is read then).
    static std::optional<ostrel::Rect> recognitionRegion(const ostrel::RelativeRect& regionOfInterest);

    static std::vector<std::string> chooseLanguages(const std::vector<std::string>& supported,
                                                    const std::vector<std::string>& preferred);

  private:
    platform::TextRecognizer& recognizer_;
    const std::vector<std::string> preferredLanguages_;
    mutable std::once_flag chosen_;
    mutable std::vector<std::string> languages_; // set once, under `chosen_`
};

} // namespace vesperline
