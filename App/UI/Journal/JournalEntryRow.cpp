#include "UI/Journal/JournalEntryRow.h"

#include "Store/Format.h"
#include "UI/Journal/ShareBar.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/PageParts.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int iconSide = 16;

} // namespace

JournalEntryRow::JournalEntryRow(std::size_t position, const ostrel::WorkLogEntry& entry, Kind kind,
                                 double share, platform::InstalledApplications& applications,
                                 const Format& format, QWidget* parent)
    : QWidget(parent), entry_(entry), kind_(kind), name_(new ElidedLabel),
      duration_(PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::secondary)),
      bar_(new ShareBar(share, position)) {
    QVBoxLayout* stack = PageParts::column(this, 4);
    auto* line = new QWidget;
    QHBoxLayout* items = PageParts::row(line, 6);
    if (kind == Kind::app) {
        icon_ = new AppIconView(applications, entry.bundleID, iconSide);
        items->addWidget(icon_, 0, Qt::AlignVCenter);
    }
    name_->setObjectName("entryName");
    Theme::applyText(name_, Theme::TextStyle::callout);
    name_->setText(QString::fromStdString(entry.name));
    items->addWidget(name_, 1, Qt::AlignVCenter);
    duration_->setObjectName("entryDuration");
    duration_->setText(format.duration(entry.seconds));
    items->addWidget(duration_, 0, Qt::AlignVCenter);
    stack->addWidget(line);
    bar_->setObjectName("entryShare");
    stack->addWidget(bar_);
    if (kind == Kind::project) {
        setCursor(Qt::PointingHandCursor);
    }
}

void JournalEntryRow::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

} // namespace vesperline
