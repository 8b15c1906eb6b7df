#pragma once

#include "Platform/Linux/BackendModule.h"

namespace vesperline::platform {

// The back-ends module's language model, loading the module on first use; without it the model is
// unavailable (`other`) and requests throw `LanguageModelError`.
class LazyLanguageModel final : public LanguageModel {
  public:
    explicit LazyLanguageModel(BackendModule& module) : module_(module) {}

    std::optional<Unavailability> checkAvailability(std::stop_token stop) override;
    std::string respond(const Request& request, std::stop_token stop) override;

  private:
    BackendModule& module_;
};

} // namespace vesperline::platform
