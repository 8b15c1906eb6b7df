#include "UI/Ask/SourceRow.h"

#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/FrameThumbnail.h"
#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int spacing = 8;
constexpr int lineSpacing = 2;
constexpr double hoverRadius = 8;

} // namespace

SourceRow::SourceRow(const QString& number, const ostrel::FrameSummary& frame, const QString& title,
                     const QString& detail, FrameThumbnailController::ImageSource pictures,
                     const ostrel::Clock& clock, QWidget* parent)
    : QAbstractButton(parent), number_(new QLabel(number, this)),
      title_(new ElidedLabel(Qt::ElideRight, this)), detail_(new ElidedLabel(Qt::ElideRight, this)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(number + QLatin1Char(' ') + title);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);

    number_->setObjectName("sourceNumber");
    number_->setTextFormat(Qt::PlainText);
    styleNumber();

    auto* thumbnail = new FrameThumbnail(std::move(pictures), thumbnailCornerRadius, clock,
                                         FrameThumbnailController::defaultRetryDelay, this);
    thumbnail->setObjectName("sourceThumbnail");
    thumbnail->setFixedSize(thumbnailWidth, thumbnailHeight);
    thumbnail->setFrame(frame);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(lineSpacing);
    title_->setObjectName("sourceTitle");
    title_->setText(title);
    Theme::applyText(title_, Theme::TextStyle::callout, Theme::Level::primary, QFont::Medium);
    detail_->setObjectName("sourceDetail");
    detail_->setText(detail);
    Theme::applyText(detail_, Theme::TextStyle::caption, Theme::Level::secondary);
    lines->addWidget(title_);
    lines->addWidget(detail_);
    lines->addStretch(1);

    row->addWidget(number_, 0, Qt::AlignTop);
    row->addWidget(thumbnail, 0, Qt::AlignTop);
    row->addLayout(lines, 1);
    // The row takes every click itself, wherever it lands.
    for (QWidget* part : {static_cast<QWidget*>(number_), static_cast<QWidget*>(thumbnail),
                          static_cast<QWidget*>(title_), static_cast<QWidget*>(detail_)}) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

QString SourceRow::number() const {
    return number_->text();
}

QString SourceRow::title() const {
    return title_->text();
}

QString SourceRow::detail() const {
    return detail_->text();
}

void SourceRow::styleNumber() {
    // The caption's size in the monospaced face, so numbers of one width line up.
    number_->setFont(Theme::monospacedFont(Theme::TextStyle::caption));
    // Inside a button, labels draw with the button's text colour: every text role takes the hue.
    QPalette palette = number_->palette();
    const QColor ink = Theme::sky.ink.resolved(this->palette());
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, ink);
    }
    number_->setPalette(palette);
}

void SourceRow::paintEvent(QPaintEvent*) {
    // A plain button: nothing of its own but a soft ground under the pointer and the focus frame.
    QPainter painter(this);
    if (underMouse() || isDown()) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath ground;
        ground.addRoundedRect(QRectF(rect()), hoverRadius, hoverRadius);
        QColor color = Theme::textColor(palette(), Theme::Level::quaternary);
        color.setAlphaF(color.alphaF() * (isDown() ? 0.6f : 0.3f));
        painter.fillPath(ground, color);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void SourceRow::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        styleNumber();
    }
}

} // namespace vesperline
