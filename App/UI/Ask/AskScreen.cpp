#include "UI/Ask/AskScreen.h"

#include "UI/Ask/AskController.h"
#include "UI/Ask/ComposerField.h"
#include "UI/Ask/ExchangeView.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/EmptyStateView.h"
#include "UI/Shared/GradientLabel.h"
#include "UI/Shared/LinkButton.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int noticeSpacing = 16;
constexpr int noticeBottomPadding = 40;
constexpr int exchangeSpacing = 18;
constexpr int introductionSpacing = 12;
constexpr int examplesSpacing = 8;
constexpr int composerSpacing = 10;
constexpr int composerPadding = 14;
constexpr int askingIndicatorSide = 16;
constexpr int scrollMilliseconds = 250;

// The send button: the round arrow in the ink gradient, grey while there is nothing to send.
class SendButton final : public QAbstractButton {
  public:
    explicit SendButton(QWidget* parent) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const int side = QFontMetrics(Theme::font(Theme::TextStyle::title)).height();
        return {side, side};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        const int side = std::min(width(), height());
        const QBrush brush = isEnabled() ? QBrush(Theme::inkGradient(Theme::appearance(palette())))
                                         : QBrush(Theme::textColor(palette(), Theme::Level::secondary));
        QPainter painter(this);
        painter.drawPixmap(
            (width() - side) / 2, (height() - side) / 2,
            Symbols::pixmap(QStringLiteral("arrow.up.circle.fill"), side, brush, devicePixelRatioF()));
    }
};

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

AskScreen::AskScreen(AskController* controller, FrameThumbnailController::ImageSource pictures,
                     QWidget* parent)
    : QWidget(parent), controller_(controller), pictures_(std::move(pictures)) {
    controller_->setParent(this);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(makeNotice());
    pages_->addWidget(makeConversation());
    column(this, 0)->addWidget(pages_);

    connect(controller_, &AskController::availabilityChanged, this, &AskScreen::availabilityChanged);
    connect(controller_, &AskController::searchHintChanged, this,
            [this] { searchHint_->setText(controller_->searchHint()); });
    connect(controller_, &AskController::questionChanged, this, &AskScreen::questionChanged);
    connect(controller_, &AskController::askingChanged, this, &AskScreen::askingChanged);
    connect(controller_, &AskController::exchangeAdded, this, &AskScreen::exchangeAdded);
    connect(controller_, &AskController::exchangeChanged, this, [this](int index) {
        exchangeViews_.at(static_cast<std::size_t>(index))
            ->setExchange(controller_->exchanges().at(static_cast<std::size_t>(index)));
    });
    connect(controller_, &AskController::composerFocusRequested, this,
            [this] { composer_->setFocus(Qt::OtherFocusReason); });

    availabilityChanged();
    questionChanged();
    askingChanged();
}

QWidget* AskScreen::makeNotice() {
    notice_ = new QWidget;
    notice_->setObjectName("askNotice");
    QVBoxLayout* layout = column(notice_, noticeSpacing);
    layout->setContentsMargins(0, 0, 0, noticeBottomPadding);
    noticeState_ = new EmptyStateView("text.bubble", AskController::unavailableTitle(), {}, notice_);
    noticeState_->setObjectName("askUnavailable");
    layout->addWidget(noticeState_, 1);
    searchHint_ = new QLabel(controller_->searchHint(), notice_);
    searchHint_->setObjectName("askSearchHint");
    searchHint_->setTextFormat(Qt::PlainText);
    searchHint_->setWordWrap(true);
    searchHint_->setAlignment(Qt::AlignHCenter);
    Theme::applyText(searchHint_, Theme::TextStyle::callout, Theme::Level::secondary);
    layout->addWidget(searchHint_);
    return notice_;
}

QWidget* AskScreen::makeConversation() {
    conversation_ = new QWidget;
    conversation_->setObjectName("askConversation");
    QVBoxLayout* layout = column(conversation_, 0);

    auto* content = new QWidget;
    content->setObjectName("askColumn");
    content->setMaximumWidth(contentWidth);
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    exchanges_ = column(content, exchangeSpacing);
    exchanges_->setContentsMargins(Theme::pagePadding, Theme::pagePadding, Theme::pagePadding,
                                   Theme::pagePadding);
    exchanges_->addWidget(makeIntroduction());
    exchanges_->addStretch(1);

    auto* page = new QWidget;
    page->setObjectName("askPage");
    auto* centred = new QHBoxLayout(page);
    centred->setContentsMargins(0, 0, 0, 0);
    centred->setSpacing(0);
    // The column takes all the width up to its limit; only then do the margins on either side grow.
    centred->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    centred->addWidget(content, 1);
    centred->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    // The page's height follows its width (wrapped texts): the scroll area asks it for the height at
    // the width it has, not for the tall minimum of its narrowest width.
    page->setMinimumHeight(1);

    scroll_ = new QScrollArea;
    scroll_->setObjectName("askScroll");
    scroll_->setWidget(page);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrolling_ = new QPropertyAnimation(scroll_->verticalScrollBar(), "value", this);
    scrolling_->setDuration(scrollMilliseconds);
    scrolling_->setEasingCurve(QEasingCurve::OutCubic);

    layout->addWidget(scroll_, 1);
    layout->addWidget(new Divider);
    layout->addWidget(makeComposer());
    return conversation_;
}

QWidget* AskScreen::makeIntroduction() {
    introduction_ = new QWidget;
    introduction_->setObjectName("askIntroduction");
    QVBoxLayout* layout = column(introduction_, introductionSpacing);
    layout->setContentsMargins(0, Theme::pagePadding, 0, 0);
    auto* title = new GradientLabel(tr("Ask your memory"), QStringLiteral("text.bubble"),
                                    Theme::TextStyle::title2, QFont::DemiBold, introduction_);
    title->setObjectName("askTitle");
    layout->addWidget(title);
    auto* line = new QLabel(tr("Vesperline searches what you've seen and answers with the local model. "
                               "Nothing leaves your computer."),
                            introduction_);
    line->setObjectName("askIntroductionText");
    line->setTextFormat(Qt::PlainText);
    line->setWordWrap(true);
    Theme::applyText(line, Theme::TextStyle::body, Theme::Level::secondary);
    layout->addWidget(line);

    auto* examples = new QVBoxLayout;
    examples->setSpacing(examplesSpacing);
    const QStringList questions = AskController::examples();
    for (int i = 0; i < questions.size(); ++i) {
        auto* example = new LinkButton(questions[i], QStringLiteral("text.bubble"), Theme::TextStyle::body,
                                       introduction_);
        example->setObjectName(QStringLiteral("askExample%1").arg(i + 1));
        connect(example, &LinkButton::clicked, controller_, [this, i] { controller_->askExample(i); });
        examples->addWidget(example, 0, Qt::AlignLeft);
    }
    layout->addLayout(examples);
    return introduction_;
}

QWidget* AskScreen::makeComposer() {
    auto* composer = new QWidget;
    composer->setObjectName("askComposer");
    auto* row = new QHBoxLayout(composer);
    row->setContentsMargins(composerPadding, composerPadding, composerPadding, composerPadding);
    row->setSpacing(composerSpacing);
    composer_ = new ComposerField(composer);
    composer_->setObjectName("askField");
    composer_->setPlaceholderText(tr("Ask about anything you've seen…"));
    row->addWidget(composer_, 1, Qt::AlignVCenter);

    auto* send = new SendButton(composer);
    send->setObjectName("askSend");
    send->setAccessibleName(tr("Send"));
    send->setToolTip(tr("Send (Ctrl+Return)"));
    send->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    sendButton_ = send;
    askingIndicator_ = new ActivityIndicator(askingIndicatorSide, composer);
    askingIndicator_->setObjectName("askProgress");
    // Both take the same place; the row keeps its height when one stands in for the other.
    const QSize slot = send->sizeHint();
    askingIndicator_->setMinimumSize(slot);
    row->addWidget(send, 0, Qt::AlignVCenter);
    row->addWidget(askingIndicator_, 0, Qt::AlignVCenter);

    connect(composer_, &ComposerField::textChanged, controller_,
            [this] { controller_->setQuestion(composer_->toPlainText()); });
    connect(composer_, &ComposerField::submitted, controller_, &AskController::ask);
    connect(send, &QAbstractButton::clicked, controller_, &AskController::ask);
    return composer;
}

void AskScreen::availabilityChanged() {
    const AIAvailability& availability = controller_->availability();
    if (availability.isAvailable()) {
        pages_->setCurrentWidget(conversation_);
    } else {
        noticeState_->setContent("text.bubble", AskController::unavailableTitle(),
                                 availability.unavailableMessage.value_or(QString()));
        pages_->setCurrentWidget(notice_);
    }
}

void AskScreen::questionChanged() {
    if (composer_->toPlainText() != controller_->question()) {
        const QSignalBlocker blocker(composer_);
        composer_->setPlainText(controller_->question());
    }
    sendButton_->setEnabled(controller_->canSend());
}

void AskScreen::askingChanged() {
    sendButton_->setVisible(!controller_->asking());
    askingIndicator_->setVisible(controller_->asking());
}

void AskScreen::exchangeAdded() {
    const std::vector<AskController::Exchange>& exchanges = controller_->exchanges();
    auto* view = new ExchangeView(*controller_, exchanges.back(), pictures_);
    view->setObjectName(QStringLiteral("exchange%1").arg(exchanges.size()));
    const std::size_t index = exchanges.size() - 1;
    connect(view, &ExchangeView::sourceClicked, controller_,
            [this, index](std::size_t source) { controller_->openSource(index, source); });
    // Before the stretch that keeps the conversation at the top.
    exchanges_->insertWidget(exchanges_->count() - 1, view);
    exchangeViews_.push_back(view);
    introduction_->hide();
    // Once the new exchange has its place.
    QTimer::singleShot(0, this, &AskScreen::scrollToNewest);
}

void AskScreen::scrollToNewest() {
    if (exchangeViews_.empty()) {
        return;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const ExchangeView* newest = exchangeViews_.back();
    QScrollBar* bar = scroll_->verticalScrollBar();
    const int bottom = newest->mapTo(scroll_->widget(), QPoint(0, newest->height())).y();
    const int target = std::clamp(bottom - scroll_->viewport()->height(), bar->minimum(), bar->maximum());
    scrolling_->stop();
    scrolling_->setStartValue(bar->value());
    scrolling_->setEndValue(target);
    scrolling_->start();
}

void AskScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_->setShown(true);
}

void AskScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    controller_->setShown(false);
}

} // namespace vesperline
