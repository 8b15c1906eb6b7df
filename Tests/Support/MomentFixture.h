#pragma once

#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/Moment.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Moment/MomentDetailController.h"

#include <QPromise>

#include <map>
#include <memory>
#include <vector>

namespace testsupport {

// A store with moments for the moment view, pictures and term boxes the test decides, and the
// view's actions recorded rather than carried out.
struct MomentFixture {
    static constexpr ostrel::Time now = 1'750'000'000;

    DataFolder data;
    ManualClock clock{now};
    vesperline::StoreHub hub{data.path(), clock};

    // The answers of the picture source per moment, one per request (the last repeats); a moment
    // without answers has no picture. With `picturesAnswer` false no request is ever answered.
    std::map<std::int64_t, std::vector<std::optional<QImage>>> pictures;
    bool picturesAnswer = true;
    std::vector<std::pair<std::int64_t, vesperline::FrameImageLoader::Size>> pictureRequests;

    std::vector<ostrel::Rect> termBoxes;
    std::vector<std::vector<std::string>> termRequests;
    // Of each request for boxes, in turn: set once the asker no longer wants them.
    std::vector<vesperline::LiveTextAnalyzer::Cancellation> termCancellations;

    std::vector<std::pair<std::int64_t, ostrel::Time>> timelineOpened;
    std::vector<std::vector<std::int64_t>> deleted;
    std::vector<QUrl> opened;

    // Stores a moment; with `picture` it is frame `index` of a segment.
    std::int64_t store(Moment moment, bool picture = false) {
        if (picture) {
            moment.inSegment(segment(), nextIndex_++);
        }
        return hub.sync([&](ostrel::MemoryStore& memory) { return memory.insertFrame(moment); });
    }

    vesperline::MomentDetailController::Services
    services(std::chrono::milliseconds retryDelay = std::chrono::milliseconds(20),
             std::chrono::milliseconds copiedDuration = std::chrono::milliseconds(100)) {
        vesperline::MomentActions actions;
        actions.openTimeline = [this](std::int64_t id, ostrel::Time at) {
            timelineOpened.emplace_back(id, at);
        };
        actions.deleteFrames = [this](std::vector<std::int64_t> ids, std::function<void()> done) {
            deleted.push_back(std::move(ids));
            done();
        };
        actions.openURL = [this](const QUrl& url) { opened.push_back(url); };
        return {
            .hub = hub,
            .images = [this](const std::string&, std::int64_t, std::int64_t id,
                             vesperline::FrameImageLoader::Size size) { return picture(id, size); },
            .termBoxes =
                [this](const QImage&, const std::vector<std::string>& terms,
                       vesperline::LiveTextAnalyzer::Cancellation cancelled) {
                    termRequests.push_back(terms);
                    termCancellations.push_back(std::move(cancelled));
                    return QtFuture::makeReadyFuture(termBoxes);
                },
            .actions = std::move(actions),
            .clock = clock,
            .retryDelay = retryDelay,
            .copiedDuration = copiedDuration,
        };
    }

  private:
    std::int64_t segment() {
        if (!segment_) {
            segment_ = hub.sync([](ostrel::MemoryStore& memory) {
                return memory.openSegment("segments/2025-06-15/1-1.mp4", 1, now - 3600, 1280, 800);
            });
        }
        return segment_;
    }

    QFuture<std::optional<QImage>> picture(std::int64_t id, vesperline::FrameImageLoader::Size size) {
        pictureRequests.emplace_back(id, size);
        if (!picturesAnswer) {
            pending_.push_back(std::make_unique<QPromise<std::optional<QImage>>>());
            pending_.back()->start();
            return pending_.back()->future();
        }
        const auto found = pictures.find(id);
        std::optional<QImage> answer;
        if (found != pictures.end() && !found->second.empty()) {
            const auto asked =
                static_cast<std::size_t>(std::count_if(pictureRequests.begin(), pictureRequests.end(),
                                                       [id](const auto& r) { return r.first == id; }));
            answer = found->second[std::min(asked, found->second.size()) - 1];
        }
        return QtFuture::makeReadyFuture(answer);
    }

    std::int64_t segment_ = 0;
    std::int64_t nextIndex_ = 0;
    std::vector<std::unique_ptr<QPromise<std::optional<QImage>>>> pending_;
};

} // namespace testsupport
