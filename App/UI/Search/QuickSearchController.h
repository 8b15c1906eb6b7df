#pragma once

#include "Model/SearchModel.h"
#include "Runtime/Delays.h"
#include "Runtime/SystemClock.h"
#include "Storage/SearchHit.h"
#include "Store/Format.h"
#include "UI/Moment/MomentActions.h"
#include "UI/Search/SearchTexts.h"
#include "UI/Shared/FrameThumbnailController.h"
#include "UI/Timeline/MomentPicture.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vesperline {

namespace platform {
class InstalledApplications;
class WindowActivation;
} // namespace platform

class FrameImageLoader;
class QuickSearchPanel;
class StoreHub;

// The floating quick-search panel that the global hot key brings up over whatever the user is
// working in: typing searches the memory, the arrow keys pick a result, Return opens the moment in
// the main window's timeline, Ctrl+Return opens its address, and Escape or the panel losing the
// keyboard hides it.
//
// The controller owns the panel (built on the first `show()`, kept from then on) and the panel's
// own search model over the hub, so its text, filters and selection are kept between showings and
// apart from the search screen's. Each showing places the panel on the screen under the pointer,
// asks the window manager to give it the keyboard, focuses its field and searches again at once.
// While it is shown, the controller sees the keys typed into it before its widgets do (the
// arrows, Return and Escape are taken; every other key reaches the field). Main thread only.
class QuickSearchController final : public QObject {
    Q_OBJECT

  public:
    // What the panel asks of the app model; each runs on the main thread.
    struct Actions {
        // Counts one find of something in the memory.
        std::function<void()> recordFind;
        // Shows the moment in the main window's timeline.
        std::function<void(std::int64_t frameID, ostrel::Time timestamp)> openTimeline;
        // Opens an address with the desktop's handler.
        std::function<void(const QUrl& url)> openURL = MomentActions::openWithDesktop;
    };

    struct Services {
        StoreHub& hub;
        Actions actions;
        platform::WindowActivation& activation;
        platform::InstalledApplications& applications;
        // The rows' thumbnails and the preview's picture.
        FrameThumbnailController::ImageSource thumbnails;
        MomentPicture::Source pictures;
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
        Delays& delays = systemDelays();
        std::chrono::milliseconds retryDelay = FrameThumbnailController::defaultRetryDelay;
    };
    // The application's services: pictures from the shared loader.
    static Services services(StoreHub& hub, Actions actions, platform::WindowActivation& activation,
                             FrameImageLoader& loader, platform::InstalledApplications& applications);

    static constexpr QSize panelSize{900, 560};
    // The panel's centre stands this far down the screen's free area (62 % up from its bottom)...
    static constexpr double centreFromTop = 0.38;
    // ...but keeps this far from its top and bottom edges; near the bottom wins when both cannot hold.
    static constexpr int screenMargin = 20;
    // The app filter offers the apps with the most moments.
    static constexpr std::size_t appMenuLimit = 30;

    // The hub must outlive the controller.
    explicit QuickSearchController(Services services, QObject* parent = nullptr);
    ~QuickSearchController() override;

    // Brings the panel up with the keyboard in its field; builds it the first time.
    void show();
    // Hides the panel, keeping it and its search for the next showing. Safe at any time.
    void hide();
    bool isVisible() const;

    SearchModel& search() { return search_; }
    // None until the first showing.
    QuickSearchPanel* panel() const { return panel_.get(); }

    // ---- What the panel does -------------------------------------------------------------------
    // A key typed into the shown panel, with the modifiers held; true when the panel took it.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    // Hides the panel and opens the moment in the timeline, counting a find; nothing without a hit.
    void open(const std::optional<ostrel::SearchHit>& hit);
    // Hides the panel and opens the hit's address, counting a find; nothing without one.
    void openLink(const ostrel::SearchHit& hit);
    // The address a hit opens: only http, https and file addresses.
    static std::optional<QUrl> link(const ostrel::SearchHit& hit);

    // ---- What the panel shows --------------------------------------------------------------------
    enum class ResultsContent {
        list,       // the results
        nothingYet, // no recent moments to list
        noMatches,  // a search that found nothing
        blank,      // a search runs after one that found nothing: no verdict yet
    };
    ResultsContent resultsContent() const;
    // Above the recent moments "Recent moments"; above search hits nothing, or, when only the
    // beginning of the text was searched, that it was.
    QString resultsHeader(const Format& format) const;
    // The apps offered after "All apps": the first 30 of the app list, by name alone.
    std::vector<SearchTexts::AppItem> appMenuItems() const;

    // ---- Where the panel goes ----------------------------------------------------------------------
    struct Screen {
        QRect frame;   // the whole screen
        QRect visible; // without panels and docks
    };
    // The top-left corner of a panel of `size` on the first screen whose frame holds the pointer,
    // else on the main screen: centred across, its centre `centreFromTop` down the visible area
    // within the margins. None without any screen.
    static std::optional<QPoint> placement(QPoint pointer, const std::vector<Screen>& screens,
                                           const std::optional<Screen>& mainScreen, QSize size);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void place();
    void recordFind();

    Services services_;
    SearchModel search_;
    std::unique_ptr<QuickSearchPanel> panel_;
    // The controller watches the application's keys exactly while the panel is shown.
    bool watchingKeys_ = false;
};

} // namespace vesperline
