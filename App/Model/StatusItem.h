#pragma once

#include "Model/StatusGlyph.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class QSystemTrayIcon;

namespace vesperline {

// The app's item in the desktop's tray: the status glyph, a tool tip, and a popover that a click
// of either mouse button opens and the next one closes. The popover is a popup: a click anywhere
// else closes it too. Its content is built afresh each time it opens and dropped when it closes.
//
// A desktop without a tray shows no item; that is logged once, and the app works on without it.
// Main thread only.
class StatusItem final : public QObject {
    Q_OBJECT

  public:
    // Builds the popover's content; the content calls `close` to close the popover.
    using ContentFactory = std::function<QWidget*(std::function<void()> close)>;

    explicit StatusItem(ContentFactory makeContent, QObject* parent = nullptr);
    ~StatusItem() override;

    // Whether the desktop has a tray to show the item in.
    bool trayAvailable() const;
    void setGlyph(StatusGlyph::Variant variant);
    StatusGlyph::Variant glyph() const { return glyph_; }
    void setToolTip(const QString& text);
    QString toolTip() const;

    // Opens the popover under the item, or closes it when it is open.
    void toggle();
    bool isOpen() const;
    // The popover's content while it is open, else null.
    QWidget* content() const { return content_; }

    // Where a popover of `size` goes: centred under `anchor` (the item, or the pointer when the tray
    // does not say where the item is), above it when there is no room below, kept inside
    // `available`, the screen's free area.
    static QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available);

  signals:
    // Before the content is built, so the owner can refresh what it shows.
    void aboutToOpen();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QSystemTrayIcon* tray_;
    ContentFactory makeContent_;
    QWidget* popover_;
    QPointer<QWidget> content_;
    StatusGlyph::Variant glyph_ = StatusGlyph::Variant::held;
};

} // namespace vesperline
