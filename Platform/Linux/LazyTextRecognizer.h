#pragma once

#include "Platform/Linux/BackendModule.h"

namespace vesperline::platform {

// The back-ends module's text recognition, loading the module on first use; without it no language
// is supported and recognition throws `TextRecognitionError`.
class LazyTextRecognizer final : public TextRecognizer {
  public:
    explicit LazyTextRecognizer(BackendModule& module) : module_(module) {}

    std::vector<std::string> supportedLanguages() const override;
    std::vector<TextObservation> recognize(const ostrel::BGRAImageView& image,
                                           const std::optional<ostrel::Rect>& regionOfInterest,
                                           const std::vector<std::string>& languages) override;

  private:
    BackendModule& module_;
};

} // namespace vesperline::platform
