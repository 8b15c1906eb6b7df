#include "DesktopRecorder.h"

#include "Store/SegmentManager.h"

namespace vesperline::desktoptest {

DesktopRecorder::DesktopRecorder(const std::filesystem::path& dataFolder)
    : x11_(platform::X11Connection::open()), displays_(x11_), windowServer_(x11_),
      workspace_(x11_, installed_), capture_(workspace_), userIdle_(x11_),
      hub_(std::make_unique<StoreHub>(dataFolder)) {
    recorder_ = std::make_unique<Recorder>(*hub_, Recorder::Services{capture_, displays_, windowServer_,
                                                                     workspace_, accessibility_, recognizer_,
                                                                     userIdle_, videoFiles_, frontmost_});
}

DesktopRecorder::~DesktopRecorder() {
    recorder_.reset();
    hub_.reset();
}

void DesktopRecorder::start(const RecorderConfig& config, Recorder::Events events) {
    SegmentManager::recoverOpenSegments(*hub_, videoFiles_);
    frontmost_.start(workspace_);
    recorder_->setEvents(std::move(events));
    recorder_->applyConfig(config);
    recorder_->setBlock(Recorder::Block::stopped, false);
}

} // namespace vesperline::desktoptest
