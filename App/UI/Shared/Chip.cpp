#include "UI/Shared/Chip.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 4;
constexpr int spacing = 4;

} // namespace

Chip::Chip(const QString& title, const std::optional<QString>& symbol, bool selected, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), selected_(selected) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Chip::setSelected(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    updateGeometry(); // the semibold title is wider
    update();
}

QFont Chip::titleFont() const {
    return Theme::font(Theme::TextStyle::callout, selected_ ? QFont::DemiBold : QFont::Normal);
}

int Chip::symbolSide() const {
    return QFontMetrics(Theme::font(Theme::TextStyle::caption)).ascent();
}

QSize Chip::sizeHint() const {
    const QFontMetrics title(titleFont());
    int width = title.horizontalAdvance(text());
    int height = title.height();
    if (symbol_) {
        width += symbolSide() + spacing;
        height = std::max(height, symbolSide());
    }
    return {width + 2 * horizontalPadding, height + 2 * verticalPadding};
}

bool Chip::hitButton(const QPoint& position) const {
    return Theme::capsule(QRectF(rect())).contains(QPointF(position) + QPointF(0.5, 0.5));
}

void Chip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (selected_) {
        painter.fillPath(Theme::capsule(bounds), QBrush(Theme::pastelBand));
    } else {
        QColor ground = Theme::textColor(palette(), Theme::Level::quaternary);
        ground.setAlphaF(ground.alphaF() * 0.5f);
        painter.fillPath(Theme::capsule(bounds), ground);
    }
    const QColor foreground = selected_ ? Theme::ink : Theme::textColor(palette(), Theme::Level::primary);

    const QSize content = sizeHint() - QSize(2 * horizontalPadding, 2 * verticalPadding);
    double x = bounds.center().x() - content.width() / 2.0;
    if (symbol_) {
        const int side = symbolSide();
        const QPixmap glyph = Symbols::pixmap(*symbol_, side, foreground, devicePixelRatioF());
        painter.drawPixmap(QPointF(x, bounds.center().y() - side / 2.0), glyph);
        x += side + spacing;
    }
    painter.setFont(titleFont());
    painter.setPen(foreground);
    painter.drawText(QRectF(x, bounds.top(), bounds.right() - x, bounds.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

} // namespace vesperline
