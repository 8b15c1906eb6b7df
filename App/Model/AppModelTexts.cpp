#include "Model/AppModel.h"

#include "Model/StatusTexts.h"

namespace vesperline {

QString AppModel::statusText() const {
    return StatusTexts::status(status_, settings_->onboardingCompleted(), savingIssue_);
}

std::optional<QString> AppModel::pauseText() const {
    return StatusTexts::pause(settings_->pausedUntil(), services_.clock.now(), services_.format);
}

std::optional<QString> AppModel::skipText() const {
    return StatusTexts::skip(
        pauseText(), {status_, skipReason_, policy_, powerSnapshot_, accessibilityPermission_, savingIssue_});
}

} // namespace vesperline
