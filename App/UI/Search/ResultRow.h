#pragma once

#include "Runtime/SystemClock.h"
#include "Storage/SearchHit.h"
#include "Store/Format.h"
#include "UI/Shared/FrameThumbnailController.h"

#include <QWidget>

#include <chrono>

class QLabel;

namespace vesperline {

namespace platform {
class InstalledApplications;
}

class AppIconView;
class ElidedLabel;
class FrameThumbnail;
class HighlightedText;

// One search result as every result list shows it: the moment's thumbnail, then its app and time,
// the window title, the excerpt with the search terms marked and, for a hit that folds several
// moments of one window, their number. A selected row lies on the pastel band with a border; the
// layout is the same either way. The row takes no clicks itself: its whole rectangle goes to the
// list that holds it.
class ResultRow final : public QWidget {
    Q_OBJECT

  public:
    static constexpr QSize thumbnailSize{92, 58};
    static constexpr double thumbnailCornerRadius = 6;
    static constexpr int padding = 8;
    static constexpr double cornerRadius = 10;

    struct Services {
        // Thumbnail-sized pictures (`FrameThumbnailController::thumbnails` of the app's loader).
        FrameThumbnailController::ImageSource thumbnails;
        platform::InstalledApplications& applications;
        const Format& format = Format::current();
        const ostrel::Clock& clock = systemClock();
        std::chrono::milliseconds retryDelay = FrameThumbnailController::defaultRetryDelay;
    };

    explicit ResultRow(const Services& services, QWidget* parent = nullptr);

    void setHit(const ostrel::SearchHit& hit);
    const ostrel::SearchHit& hit() const { return hit_; }
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    // Whether the thumbnail may load its picture; a list turns it off for rows out of its view, so
    // only the rows the user can see decode pictures.
    void setThumbnailWanted(bool wanted);
    const FrameThumbnail& thumbnail() const { return *thumbnail_; }

    // A list lays its rows out as wide as itself: once placed, a row asks for the width it has and
    // the height its texts take there, so layouts asking for the hint measure no other width.
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Format& format_;
    const ostrel::Clock& clock_;
    ostrel::SearchHit hit_;
    bool selected_ = false;

    FrameThumbnail* thumbnail_;
    AppIconView* appIcon_;
    ElidedLabel* appName_;
    QLabel* time_;
    ElidedLabel* title_;
    HighlightedText* excerpt_;
    QLabel* count_;
};

} // namespace vesperline
