#pragma once

#include "Store/Format.h"
#include "UI/Moment/MomentCanvas.h"
#include "UI/Moment/MomentDetailController.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace vesperline {

namespace platform {
class InstalledApplications;
}

class ActivityIndicator;
class AppIconView;
class Divider;
class ElidedLabel;

// One saved moment in full: its picture with the search terms boxed and its text selectable, a
// header with the app, window title, time, project and web address and the moment's actions
// (timeline, text, copy, open link, delete), and a panel with the text recorded in its window. The
// search screen shows it for the selected hit, the timeline for the moment under its scrubber; they
// pass the moment's id and their options, and learn of a deletion through `setOnDeleted`.
class MomentDetail final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int textPanelHeight = 170;

    MomentDetail(MomentDetailController::Services services, MomentCanvas::Analyze analyze,
                 platform::InstalledApplications& applications, const Format& format = Format::current(),
                 QWidget* parent = nullptr);

    // The moment to show and the size its picture is decoded at (preview while the timeline moves).
    void setMoment(std::int64_t frameID, FrameImageLoader::Size size) {
        controller_.setMoment(frameID, size);
    }
    // The same for a moment whose summary the screen has, so its picture is asked for at once.
    void setMoment(const ostrel::FrameSummary& frame, FrameImageLoader::Size size) {
        controller_.setMoment(frame, size);
    }
    // Search terms to box on the picture (none in the timeline).
    void setTerms(std::vector<std::string> terms) { controller_.setTerms(std::move(terms)); }
    // Whether the header offers the "Timeline" button.
    void setShowTimelineButton(bool show);
    void setOnDeleted(std::function<void()> onDeleted) { controller_.setOnDeleted(std::move(onDeleted)); }

    const MomentDetailController& controller() const { return controller_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* buildPictureArea();
    QWidget* buildHeader(platform::InstalledApplications& applications);
    void confirmDelete();
    void render();
    // Fonts and colours that follow the application's font and palette.
    void applyStyle();
    void drawNoticeSymbol();

    MomentDetailController controller_;
    const Format& format_;
    bool showTimelineButton_ = true;

    QWidget* pictureArea_;
    MomentCanvas* canvas_;
    ActivityIndicator* spinner_;
    QWidget* notice_;
    QLabel* noticeSymbol_;
    QString noticeSymbolName_ = QStringLiteral("eye.slash");
    QLabel* noticeText_;

    Divider* headerDivider_;
    QWidget* header_;
    AppIconView* appIcon_;
    ElidedLabel* title_;
    QLabel* appName_;
    QLabel* time_;
    QLabel* projectDot_;
    QLabel* project_;
    ElidedLabel* address_;
    QToolButton* timelineButton_;
    QToolButton* textButton_;
    QToolButton* copyButton_;
    QToolButton* linkButton_;
    QToolButton* deleteButton_;

    Divider* textDivider_;
    QPlainTextEdit* textPanel_;
};

} // namespace vesperline
