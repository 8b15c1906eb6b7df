#include "Model/StatusItem.h"

#include "Runtime/Log.h"

#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

StatusItem::StatusItem(ContentFactory makeContent, QObject* parent)
    : QObject(parent), tray_(new QSystemTrayIcon(this)), makeContent_(std::move(makeContent)),
      popover_(new QFrame(nullptr, Qt::Popup)) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // The item still goes up: it appears if a tray starts later.
        qCInfo(Log::app(), "No system tray: the status item is not shown");
    }
    popover_->setObjectName("statusPopover");
    auto* layout = new QVBoxLayout(popover_);
    layout->setContentsMargins(0, 0, 0, 0);
    // The popover takes the size its content asks for, also when that changes while it is open.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    popover_->installEventFilter(this);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
            toggle();
        }
    });
    tray_->setIcon(StatusGlyph::trayIcon(glyph_));
    tray_->show();
}

StatusItem::~StatusItem() {
    delete popover_;
}

bool StatusItem::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void StatusItem::setGlyph(StatusGlyph::Variant variant) {
    // Each status change asks again; the glyph is drawn, at four sizes, only when it changes.
    if (variant == glyph_) {
        return;
    }
    glyph_ = variant;
    tray_->setIcon(StatusGlyph::trayIcon(variant));
}

void StatusItem::setToolTip(const QString& text) {
    tray_->setToolTip(text);
}

QString StatusItem::toolTip() const {
    return tray_->toolTip();
}

bool StatusItem::isOpen() const {
    return popover_->isVisible();
}

void StatusItem::toggle() {
    if (isOpen()) {
        popover_->hide();
        return;
    }
    emit aboutToOpen();
    content_ = makeContent_([item = QPointer<StatusItem>(this)] {
        if (item) {
            item->popover_->hide();
        }
    });
    popover_->layout()->addWidget(content_);
    popover_->adjustSize();

    QRect anchor = tray_->geometry();
    if (anchor.isEmpty()) {
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    }
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen ? screen->availableGeometry() : anchor;
    popover_->move(popoverPosition(anchor, popover_->size(), available));
    popover_->show();
    popover_->activateWindow();
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    // However the popover closed (the item, its content, a click elsewhere), its content goes.
    if (watched == popover_ && event->type() == QEvent::Hide && content_) {
        content_->hide();
        content_->deleteLater();
        content_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
}

QPoint StatusItem::popoverPosition(const QRect& anchor, const QSize& size, const QRect& available) {
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.bottom() + 1;
    if (y + size.height() > available.bottom() + 1) {
        y = anchor.top() - size.height();
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace vesperline
