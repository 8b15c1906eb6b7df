#include "UI/Onboarding/PermissionIcon.h"

#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vesperline {

PermissionIcon::PermissionIcon(const QString& symbol, QWidget* parent) : QWidget(parent), symbol_(symbol) {
    setFixedSize(backdrop, backdrop);
}

void PermissionIcon::setGranted(bool granted) {
    if (granted == granted_) {
        return;
    }
    granted_ = granted;
    update();
}

QString PermissionIcon::shownSymbol() const {
    return granted_ ? QStringLiteral("checkmark.circle.fill") : symbol_;
}

void PermissionIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath ground;
    ground.addEllipse(QRectF(rect()));
    painter.fillPath(ground, QBrush(Theme::pastelGradient(0.45, true)));
    const QBrush tint = granted_ ? QBrush(Theme::mint.ink.resolved(palette()))
                                 : QBrush(Theme::inkGradient(Theme::appearance(palette())));
    const QPixmap glyph = Symbols::pixmap(shownSymbol(), symbolSize, tint, devicePixelRatioF());
    painter.drawPixmap((width() - symbolSize) / 2, (height() - symbolSize) / 2, glyph);
}

} // namespace vesperline
