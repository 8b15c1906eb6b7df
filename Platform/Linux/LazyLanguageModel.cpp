#include "Platform/Linux/LazyLanguageModel.h"

#include "Platform/LanguageModelError.h"

namespace vesperline::platform {

std::optional<LanguageModel::Unavailability> LazyLanguageModel::checkAvailability(std::stop_token stop) {
    LanguageModel* model = module_.languageModel();
    return model != nullptr ? model->checkAvailability(std::move(stop)) : Unavailability::other;
}

std::string LazyLanguageModel::respond(const Request& request, std::stop_token stop) {
    LanguageModel* model = module_.languageModel();
    if (model == nullptr) {
        throw LanguageModelError("The language model cannot be used: " + module_.failure());
    }
    return model->respond(request, std::move(stop));
}

} // namespace vesperline::platform
