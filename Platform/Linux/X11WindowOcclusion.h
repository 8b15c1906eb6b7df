#pragma once

#include "Platform/WindowOcclusion.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <xcb/xcb.h>

#include <map>

namespace vesperline::platform {

// Occlusion on X11: each followed window also asks the server for its visibility changes (Qt asks
// for none), on the application's own X connection, and a native event filter reads the reports
// as they pass through Qt's event loop. The server reports a window fully obscured when the windows
// above it hide all of it. Under a compositing manager it reports every window as unobscured, so the
// handler then never hears of a cover.
//
// Needs the xcb platform of Qt; on any other platform nothing is followed.
class X11WindowOcclusion final : public QObject, public WindowOcclusion, private QAbstractNativeEventFilter {
    Q_OBJECT

  public:
    explicit X11WindowOcclusion(QObject* parent = nullptr);
    ~X11WindowOcclusion() override;

    void follow(std::uintptr_t window, std::function<void(bool covered)> onChange) override;
    void forget(std::uintptr_t window) override;

  private:
    struct Followed {
        std::function<void(bool)> onChange;
        bool covered = false;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    xcb_connection_t* connection_ = nullptr;
    std::map<xcb_window_t, Followed> followed_;
};

} // namespace vesperline::platform
