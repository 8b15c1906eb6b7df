#pragma once

#include "UI/Shared/FrameThumbnailController.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPropertyAnimation;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace vesperline {

class ActivityIndicator;
class AskController;
class ComposerField;
class EmptyStateView;
class ExchangeView;

// The Ask section: questions about what the user saw, answered from the memory by the language
// model on this computer. While the model can be used: the conversation (an introduction with
// example questions before the first one), scrolled to each new question, and the composer under it;
// otherwise the reason it cannot, and where search still works.
//
// It renders its controller and forwards what the user does; the main window places it as it is.
class AskScreen final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int contentWidth = 820;

    // Takes the controller as its child; `pictures` draws the sources' thumbnails
    // (`FrameThumbnailController::thumbnails` of the app's frame image loader).
    AskScreen(AskController* controller, FrameThumbnailController::ImageSource pictures,
              QWidget* parent = nullptr);

    AskController& controller() const { return *controller_; }
    const std::vector<ExchangeView*>& exchangeViews() const { return exchangeViews_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* makeNotice();
    QWidget* makeConversation();
    QWidget* makeIntroduction();
    QWidget* makeComposer();

    void availabilityChanged();
    void questionChanged();
    void askingChanged();
    void exchangeAdded();
    // Scrolls so that the newest exchange ends at the bottom of the visible area.
    void scrollToNewest();

    AskController* controller_;
    FrameThumbnailController::ImageSource pictures_;
    QStackedWidget* pages_ = nullptr;
    QWidget* notice_ = nullptr;
    EmptyStateView* noticeState_ = nullptr;
    QLabel* searchHint_ = nullptr;
    QWidget* conversation_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QVBoxLayout* exchanges_ = nullptr;
    QWidget* introduction_ = nullptr;
    ComposerField* composer_ = nullptr;
    QWidget* sendButton_ = nullptr;
    ActivityIndicator* askingIndicator_ = nullptr;
    QPropertyAnimation* scrolling_ = nullptr;
    std::vector<ExchangeView*> exchangeViews_;
};

} // namespace vesperline
