#pragma once

#include "UI/Ask/AskController.h"
#include "UI/Shared/FrameThumbnailController.h"

#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

namespace vesperline {

class QuestionBubble;
class SourceRow;

// One question of the conversation and what came back: the question at the trailing edge, then
// either a row saying the memory is being searched or the answer on a card of its own with the
// numbered sources under it.
class ExchangeView final : public QWidget {
    Q_OBJECT

  public:
    static constexpr double cardCornerRadius = 14;

    // `controller` gives the texts of the sources; `pictures` draws their thumbnails.
    ExchangeView(const AskController& controller, const AskController::Exchange& exchange,
                 FrameThumbnailController::ImageSource pictures, QWidget* parent = nullptr);

    // Shows the exchange as it stands now: its answer, failure and sources once they are there.
    void setExchange(const AskController::Exchange& exchange);

    QuestionBubble* bubble() const { return bubble_; }
    const std::vector<SourceRow*>& sourceRows() const { return sourceRows_; }

  signals:
    // The source at `index` was clicked.
    void sourceClicked(std::size_t index);

  private:
    const AskController& controller_;
    FrameThumbnailController::ImageSource pictures_;
    QuestionBubble* bubble_;
    QWidget* searching_;
    QWidget* card_;
    QLabel* answer_;
    QLabel* sourcesHeading_;
    QVBoxLayout* sources_;
    std::vector<SourceRow*> sourceRows_;
};

} // namespace vesperline
