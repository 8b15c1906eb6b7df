#include "Platform/Linux/LazyTextRecognizer.h"

namespace vesperline::platform {

std::vector<std::string> LazyTextRecognizer::supportedLanguages() const {
    TextRecognizer* recognizer = module_.textRecognizer();
    return recognizer != nullptr ? recognizer->supportedLanguages() : std::vector<std::string>{};
}

std::vector<TextObservation>
LazyTextRecognizer::recognize(const ostrel::BGRAImageView& image,
                              const std::optional<ostrel::Rect>& regionOfInterest,
                              const std::vector<std::string>& languages) {
    TextRecognizer* recognizer = module_.textRecognizer();
    if (recognizer == nullptr) {
        throw TextRecognitionError("Text recognition cannot be used: " + module_.failure());
    }
    return recognizer->recognize(image, regionOfInterest, languages);
}

} // namespace vesperline::platform
