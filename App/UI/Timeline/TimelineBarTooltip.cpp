#include "UI/Timeline/TimelineBarTooltip.h"

#include "UI/Shared/AppIconView.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace vesperline {

TimelineBarTooltip::TimelineBarTooltip(platform::InstalledApplications& applications, QWidget* parent)
    : QWidget(parent), icon_(new AppIconView(applications, std::nullopt, 12, this)),
      label_(new QLabel(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    label_->setObjectName("timelineTooltipText");
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(false);
    Theme::applyText(label_, Theme::TextStyle::caption2);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(4);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

void TimelineBarTooltip::setContent(const std::optional<std::string>& bundleID, const QString& text) {
    if (icon_->bundleID() != bundleID) {
        icon_->setBundleID(bundleID);
    }
    label_->setText(text);
}

QString TimelineBarTooltip::text() const {
    return label_->text();
}

void TimelineBarTooltip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = capsule.height() / 2;
    painter.setPen(QPen(Theme::separator(palette()), 1));
    painter.setBrush(Theme::cardBackground(palette()));
    painter.drawRoundedRect(capsule, radius, radius);
}

} // namespace vesperline
