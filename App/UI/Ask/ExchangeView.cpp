#include "UI/Ask/ExchangeView.h"

#include "UI/Ask/QuestionBubble.h"
#include "UI/Ask/SourceRow.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int spacing = 10;
constexpr int searchingSpacing = 8;
constexpr int smallIndicatorSide = 14;

} // namespace

ExchangeView::ExchangeView(const AskController& controller, const AskController::Exchange& exchange,
                           FrameThumbnailController::ImageSource pictures, QWidget* parent)
    : QWidget(parent), controller_(controller), pictures_(std::move(pictures)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);

    auto* question = new QHBoxLayout;
    question->setContentsMargins(0, 0, 0, 0);
    question->addStretch(1);
    bubble_ = new QuestionBubble(exchange.question, this);
    bubble_->setObjectName("questionBubble");
    question->addWidget(bubble_);
    column->addLayout(question);

    searching_ = new QWidget(this);
    searching_->setObjectName("searchingRow");
    auto* searching = new QHBoxLayout(searching_);
    searching->setContentsMargins(0, 0, 0, 0);
    searching->setSpacing(searchingSpacing);
    searching->addWidget(new ActivityIndicator(smallIndicatorSide, searching_), 0, Qt::AlignVCenter);
    auto* searchingText = new QLabel(tr("Searching your memory…"), searching_);
    Theme::applyText(searchingText, Theme::TextStyle::body, Theme::Level::secondary);
    searching->addWidget(searchingText, 0, Qt::AlignVCenter);
    searching->addStretch(1);
    column->addWidget(searching_);

    // The answer's ground: a rounded card a step away from the window's own colour.
    card_ = new RoundedBox(
        cardCornerRadius, [](const QPalette& palette) { return QBrush(Theme::cardBackground(palette)); },
        false, this);
    card_->setObjectName("answerCard");
    auto* card = new QVBoxLayout(card_);
    card->setContentsMargins(Theme::cardPadding, Theme::cardPadding, Theme::cardPadding, Theme::cardPadding);
    card->setSpacing(spacing);
    answer_ = new QLabel(card_);
    answer_->setObjectName("answerText");
    answer_->setTextFormat(Qt::PlainText);
    answer_->setWordWrap(true);
    answer_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    answer_->setCursor(Qt::IBeamCursor);
    Theme::applyText(answer_, Theme::TextStyle::body);
    card->addWidget(answer_);
    sourcesHeading_ = new QLabel(tr("Sources"), card_);
    sourcesHeading_->setObjectName("sourcesHeading");
    Theme::applyText(sourcesHeading_, Theme::TextStyle::caption, Theme::Level::secondary, QFont::DemiBold);
    card->addWidget(sourcesHeading_);
    sources_ = new QVBoxLayout;
    sources_->setContentsMargins(0, 0, 0, 0);
    sources_->setSpacing(spacing);
    card->addLayout(sources_);
    column->addWidget(card_);

    setExchange(exchange);
}

void ExchangeView::setExchange(const AskController::Exchange& exchange) {
    searching_->setVisible(!exchange.answer);
    card_->setVisible(exchange.answer.has_value());
    answer_->setText(exchange.answer.value_or(QString()));
    sourcesHeading_->setVisible(!exchange.sources.empty());
    // The sources arrive once, with the answer.
    if (sourceRows_.empty()) {
        for (std::size_t i = 0; i < exchange.sources.size(); ++i) {
            const ostrel::SearchHit& source = exchange.sources[i];
            auto* row =
                new SourceRow(AskController::sourceNumber(i), source.frame, controller_.sourceTitle(source),
                              controller_.sourceDetail(source), pictures_, controller_.clock(), card_);
            row->setObjectName(QStringLiteral("source%1").arg(i + 1));
            connect(row, &SourceRow::clicked, this, [this, i] { emit sourceClicked(i); });
            sources_->addWidget(row);
            sourceRows_.push_back(row);
        }
    }
}

} // namespace vesperline
