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
    drawSymbol();
    updateGeometry();
    arrange();
}

EmptyStateView::Placement EmptyStateView::place(const QSize& size) const {
    // Each text is as wide as it needs up to the room there is (the message also up to its own
    // limit) and as tall as it then wraps; the stack sits in the middle.
    const int room = std::max(1, size.width() - 2 * margin);
    const auto textRect = [room](const QLabel* label, int limit) {
        const int natural = QFontMetrics(label->font()).horizontalAdvance(label->text()) + 1;
        const int width = std::min({natural, limit, room});
        return QRect(0, 0, width, label->heightForWidth(width));
    };
    Placement placement;
    const QSize symbol = symbolLabel_->sizeHint();
    placement.symbol = QRect(QPoint(), symbol);
    placement.title = textRect(titleLabel_, room);
    placement.message = textRect(messageLabel_, messageWidth);
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
