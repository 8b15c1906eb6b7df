#include "UI/Search/QuickSearchController.h"

#include "Platform/WindowActivation.h"
#include "UI/Search/QuickSearchPanel.h"
#include "UI/Search/QuickSearchView.h"
#include "UI/Shared/OpenableLink.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace vesperline {

QuickSearchController::Services
QuickSearchController::services(StoreHub& hub, Actions actions, platform::WindowActivation& activation,
                                FrameImageLoader& loader, platform::InstalledApplications& applications) {
    return {
        .hub = hub,
        .actions = std::move(actions),
        .activation = activation,
        .applications = applications,
        .thumbnails = FrameThumbnailController::thumbnails(loader),
        .pictures = MomentPicture::from(loader),
    };
}

QuickSearchController::QuickSearchController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)),
      search_(services_.hub, services_.clock, services_.delays) {}

QuickSearchController::~QuickSearchController() {
    hide();
}

void QuickSearchController::build() {
    auto* view = new QuickSearchView(*this,
                                     {.thumbnails = services_.thumbnails,
                                      .applications = services_.applications,
                                      .format = services_.format,
                                      .clock = services_.clock,
                                      .retryDelay = services_.retryDelay},
                                     services_.pictures);
    panel_ = std::make_unique<QuickSearchPanel>(panelSize, view);
    connect(panel_.get(), &QuickSearchPanel::deactivated, this, &QuickSearchController::hide);
}

void QuickSearchController::show() {
    if (!panel_) {
        build();
    }
    place();
    panel_->show();
    panel_->raise();
    panel_->activateWindow();
    // Shown again soon after it was hidden, the panel may still be the focus window as far as the
    // platform layer knows (its loss of the keyboard had not been reported yet), and then the
    // coming activation is not reported either: the widgets would stay inactive, without a focused
    // field. Catch them up with the platform.
    if (QGuiApplication::focusWindow() == panel_->windowHandle() && !panel_->isActiveWindow()) {
        QApplication::setActiveWindow(panel_.get());
    }
    // Through the window manager too, which may not hand the keyboard to a window that appears
    // while another program is active.
    services_.activation.activate(static_cast<std::uintptr_t>(panel_->winId()));
    search_.setFocusToken(search_.focusToken() + 1);
    search_.schedule(true);
    search_.loadApps();
    if (!watchingKeys_) {
        watchingKeys_ = true;
        qApp->installEventFilter(this);
    }
}

void QuickSearchController::hide() {
    if (panel_) {
        panel_->hide();
    }
    if (watchingKeys_) {
        watchingKeys_ = false;
        qApp->removeEventFilter(this);
    }
}

bool QuickSearchController::isVisible() const {
    return panel_ && panel_->isVisible();
}

void QuickSearchController::place() {
    std::vector<Screen> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back({screen->geometry(), screen->availableGeometry()});
    }
    std::optional<Screen> mainScreen;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        mainScreen = Screen{primary->geometry(), primary->availableGeometry()};
    }
    if (const std::optional<QPoint> origin = placement(QCursor::pos(), screens, mainScreen, panel_->size())) {
        panel_->move(*origin);
    }
}

std::optional<QPoint> QuickSearchController::placement(QPoint pointer, const std::vector<Screen>& screens,
                                                       const std::optional<Screen>& mainScreen, QSize size) {
    const auto under = std::find_if(screens.begin(), screens.end(), [pointer](const Screen& screen) {
        return screen.frame.contains(pointer);
    });
    const std::optional<Screen> screen = under != screens.end() ? std::optional(*under) : mainScreen;
    if (!screen) {
        return std::nullopt;
    }
    const QRect& visible = screen->visible;
    const int x = visible.x() + (visible.width() - size.width()) / 2;
    int y = visible.y() + static_cast<int>(visible.height() * centreFromTop) - size.height() / 2;
    y = std::max(y, visible.y() + screenMargin);
    // Applied last, so on a screen too low for both margins the bottom one holds.
    y = std::min(y, visible.y() + visible.height() - screenMargin - size.height());
    return QPoint(x, y);
}

bool QuickSearchController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !panel_ || !panel_->isActiveWindow()) {
        return false;
    }
    // Keys for the panel's own widgets only: an open menu of the panel, another window, pass.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != panel_.get()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    return handleKey(key->key(), key->modifiers());
}

bool QuickSearchController::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    switch (key) {
    case Qt::Key_Escape:
        hide();
        return true;
    case Qt::Key_Down:
        search_.move(+1);
        return true;
    case Qt::Key_Up:
        search_.move(-1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const std::optional<ostrel::SearchHit> hit = search_.selectedHit();
        // Only Ctrl counts: Shift or Alt with Return is a plain Return. A hit without an address
        // that may be opened goes to the timeline instead.
        if (hit && modifiers.testFlag(Qt::ControlModifier) && link(*hit)) {
            openLink(*hit);
        } else {
            open(hit);
        }
        return true;
    }
    default:
        return false;
    }
}

void QuickSearchController::recordFind() {
    if (services_.actions.recordFind) {
        services_.actions.recordFind();
    }
}

void QuickSearchController::open(const std::optional<ostrel::SearchHit>& hit) {
    if (!hit) {
        return;
    }
    // The panel is gone before the main window comes up.
    hide();
    recordFind();
    if (services_.actions.openTimeline) {
        services_.actions.openTimeline(hit->frame.id, hit->frame.timestamp);
    }
}

void QuickSearchController::openLink(const ostrel::SearchHit& hit) {
    const std::optional<QUrl> url = link(hit);
    if (!url) {
        return;
    }
    hide();
    recordFind();
    if (services_.actions.openURL) {
        services_.actions.openURL(*url);
    }
}

std::optional<QUrl> QuickSearchController::link(const ostrel::SearchHit& hit) {
    return openableLink(hit.frame.url);
}

QuickSearchController::ResultsContent QuickSearchController::resultsContent() const {
    if (!search_.results().empty()) {
        return ResultsContent::list;
    }
    if (search_.showingRecent()) {
        return ResultsContent::nothingYet;
    }
    return search_.isSearching() ? ResultsContent::blank : ResultsContent::noMatches;
}

QString QuickSearchController::resultsHeader(const Format& format) const {
    if (search_.showingRecent()) {
        return SearchTexts::resultsHeader(true, 0, format);
    }
    return search_.queryShortened() ? SearchTexts::shortenedSearch() : QString();
}

std::vector<SearchTexts::AppItem> QuickSearchController::appMenuItems() const {
    return SearchTexts::appItems(search_.apps(), appMenuLimit, false);
}

} // namespace vesperline
