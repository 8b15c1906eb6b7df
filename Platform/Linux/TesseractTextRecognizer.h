#pragma once

#include "Platform/TextRecognizer.h"

namespace vesperline::platform {

// Recognition with Tesseract's LSTM engine: one engine per thread, one thread inside each engine. What
// the engine prints goes where `TesseractMessages::routeTo` sends it.
class TesseractTextRecognizer final : public TextRecognizer {
  public:
    std::vector<std::string> supportedLanguages() const override;
    std::vector<TextObservation> recognize(const ostrel::BGRAImageView& image,
                                           const std::optional<ostrel::Rect>& regionOfInterest,
                                           const std::vector<std::string>& languages) override;
};

} // namespace vesperline::platform
