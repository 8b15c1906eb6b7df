#include "Model/AppModel.h"

#include "Runtime/WhenFinished.h"

namespace vesperline {

void AppModel::whenUnlocked(const QString& reason, QObject* receiver, std::function<void()> then) {
    if (!settings_->appLockEnabled()) {
        then();
        return;
    }
    whenFinished(appLock_->unlock(reason), receiver, [then = std::move(then)](const QFuture<bool>& answer) {
        if (answer.isValid() && answer.resultCount() > 0 && answer.result()) {
            then();
        }
    });
}

void AppModel::setSection(Section section) {
    assign(section_, section, &AppModel::sectionChanged);
}

void AppModel::setTimelineRequest(std::optional<TimelineRequest> request) {
    assign(timelineRequest_, std::move(request), &AppModel::timelineRequestChanged);
}

void AppModel::setSearchSeed(std::optional<QString> seed) {
    assign(searchSeed_, std::move(seed), &AppModel::searchSeedChanged);
}

void AppModel::openSection(Section section) {
    setSection(section);
    openMain();
}

void AppModel::openTimeline(std::int64_t frameID, ostrel::Time at) {
    setSection(Section::timeline);
    setTimelineRequest(TimelineRequest{QUuid::createUuid(), frameID, at});
    openMain();
}

void AppModel::openTimelineAtDate(ostrel::Time date) {
    setSection(Section::timeline);
    setTimelineRequest(TimelineRequest{QUuid::createUuid(), std::nullopt, date});
    openMain();
}

void AppModel::openSearch(const QString& text) {
    setSearchSeed(text);
    setSection(Section::search);
    openMain();
}

void AppModel::openMain() {
    if (windows_) {
        windows_->openMain();
    }
}

} // namespace vesperline
