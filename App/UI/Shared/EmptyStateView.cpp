#include "UI/Shared/EmptyStateView.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>

namespace vesperline {

namespace {

constexpr double symbolPoints = 38;
constexpr int margin = 30;
constexpr int spacing = 10;
constexpr std::size_t keptWidths = 4;

} // namespace

struct EmptyStateView::Placement {
    QRect symbol;
    QRect title;
    QRect message;
    int height = 0; // of the stack with its margins
};

EmptyStateView::EmptyStateView(const QString& symbol, const QString& title, const QString& message,
                               QWidget* parent)
    : QWidget(parent), symbolLabel_(new QLabel(this)), titleLabel_(new QLabel(this)),
      messageLabel_(new QLabel(this)) {
    symbolLabel_->setObjectName("emptyStateSymbol");
    titleLabel_->setObjectName("emptyStateTitle");
    messageLabel_->setObjectName("emptyStateMessage");
    symbolLabel_->setAlignment(Qt::AlignCenter);
    for (QLabel* label : {titleLabel_, messageLabel_}) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
    }
    Theme::applyText(titleLabel_, Theme::TextStyle::title3, Theme::Level::primary, QFont::DemiBold);
    Theme::applyText(messageLabel_, Theme::TextStyle::callout, Theme::Level::secondary);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setContent(symbol, title, message);
}

void EmptyStateView::setContent(const QString& symbol, const QString& title, const QString& message) {
    symbol_ = symbol;
    titleLabel_->setText(title);
    messageLabel_->setText(message);
    measured_.clear();
    drawSymbol();
    updateGeometry();
    arrange();
}

const EmptyStateView::TextSizes& EmptyStateView::textSizes(int room) const {
    // Layouts ask for the sizes again whenever anything near changes, and measuring wrapped text
    // shapes it anew each time: the sizes are kept for the fonts they were measured in.
    const QFont title = titleLabel_->font();
    const QFont message = messageLabel_->font();
    if (title != measuredTitleFont_ || message != measuredMessageFont_) {
        measured_.clear();
        measuredTitleFont_ = title;
        measuredMessageFont_ = message;
    }
    if (const auto kept = measured_.find(room); kept != measured_.end()) {
        return kept->second;
    }
    if (measured_.size() >= keptWidths) {
        measured_.clear(); // a window being resized asks for a new width each time
    }
    // Each text is as wide as it needs up to the room there is (the message also up to its own
    // limit) and as tall as it then wraps.
    const auto textSize = [room](const QLabel* label, int limit) {
        const int natural = QFontMetrics(label->font()).horizontalAdvance(label->text()) + 1;
        const int width = std::min({natural, limit, room});
        return QSize(width, label->heightForWidth(width));
    };
    return measured_[room] = {textSize(titleLabel_, room), textSize(messageLabel_, messageWidth)};
}

EmptyStateView::Placement EmptyStateView::place(const QSize& size) const {
    // The stack sits in the middle.
    const TextSizes& texts = textSizes(std::max(1, size.width() - 2 * margin));
    Placement placement;
    const QSize symbol = symbolLabel_->sizeHint();
    placement.symbol = QRect(QPoint(), symbol);
    placement.title = QRect(QPoint(), texts.title);
    placement.message = QRect(QPoint(), texts.message);
    const int stack = symbol.height() + placement.title.height() + placement.message.height() + 2 * spacing;
    placement.height = stack + 2 * margin;
    int y = std::max(margin, (size.height() - stack) / 2);
    for (QRect* part : {&placement.symbol, &placement.title, &placement.message}) {
        part->moveTo((size.width() - part->width()) / 2, y);
        y += part->height() + spacing;
    }
    return placement;
}

void EmptyStateView::arrange() {
    const Placement placement = place(size());
    symbolLabel_->setGeometry(placement.symbol);
    titleLabel_->setGeometry(placement.title);
    messageLabel_->setGeometry(placement.message);
}

QSize EmptyStateView::sizeHint() const {
    const int width = messageWidth + 2 * margin;
    return {width, place({width, 0}).height};
}

QSize EmptyStateView::minimumSizeHint() const {
    const int width = symbolLabel_->sizeHint().width() + 2 * margin;
    return {width, place({width, 0}).height};
}

void EmptyStateView::drawSymbol() {
    const int side = QFontMetrics(Theme::font(symbolPoints, QFont::Light)).height();
    const QBrush brush(Theme::inkGradient(Theme::appearance(palette())));
    symbolLabel_->setPixmap(Symbols::pixmap(symbol_, side, brush, devicePixelRatioF()));
}

void EmptyStateView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        drawSymbol();
    } else if (event->type() == QEvent::FontChange) {
        // The application's font changed: the texts have taken theirs already.
        drawSymbol();
        arrange();
    }
}

void EmptyStateView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

} // namespace vesperline
