#include "Capture/WindowInspector.h"

#include "Capture/NonBlank.h"

namespace vesperline {

using platform::AccessibleElement;
using platform::AccessibleRole;

WindowInspector::WindowInspector(platform::Accessibility& accessibility, platform::WindowServer& windowServer,
                                 const ostrel::Clock& clock)
    : accessibility_(accessibility), windowServer_(windowServer), clock_(clock) {}

std::optional<ostrel::Rect> WindowInspector::frameOf(const AccessibleElement& element) {
    return accessibility_.frame(element);
}

std::vector<AXWindow> WindowInspector::windows(std::int32_t pid) {
    std::vector<AXWindow> result;
    if (!accessibility_.isTrusted()) {
        return result;
    }
    const auto elements = accessibility_.windows(pid);
    if (!elements) {
        return result;
    }
    for (const AccessibleElement& element : *elements) {
        result.push_back({element, accessibility_.title(element), frameOf(element)});
    }
    return result;
}

WindowSnapshot WindowInspector::windowListFrame(std::int32_t pid) {
    for (const platform::WindowServerWindow& window : windowServer_.onScreenWindows()) {
        // Ordinary application windows only: not panels, menus or other furniture.
        const bool ordinary =
            window.type == platform::WindowType::normal || window.type == platform::WindowType::dialog;
        if (window.pid != pid || !ordinary) {
            continue;
        }
        if (window.frame && (window.frame->width < 80 || window.frame->height < 60)) {
            continue;
        }
        return {window.title, window.frame, std::nullopt};
    }
    return {};
}

WindowSnapshot WindowInspector::snapshot(std::int32_t pid) {
    if (!accessibility_.isTrusted()) {
        return windowListFrame(pid);
    }
    auto window = accessibility_.focusedWindow(pid);
    if (!window) {
        window = accessibility_.mainWindow(pid);
    }
    if (!window) {
        return windowListFrame(pid);
    }
    WindowSnapshot snapshot{nonBlank(accessibility_.title(*window)), frameOf(*window), window};
    // What accessibility gave is kept; only the gaps are filled from the window list.
    if (!snapshot.title || !snapshot.frame) {
        const WindowSnapshot listed = windowListFrame(pid);
        if (!snapshot.title) {
            snapshot.title = listed.title;
        }
        if (!snapshot.frame) {
            snapshot.frame = listed.frame;
        }
    }
    return snapshot;
}

bool WindowInspector::isSecureInputFocused(std::int32_t frontmostPid) {
    if (!accessibility_.isTrusted()) {
        return false;
    }
    const auto focused = accessibility_.focusedElement();
    if (!focused || accessibility_.role(*focused) != AccessibleRole::secureTextField) {
        return false;
    }
    const std::optional<std::int32_t> owner = accessibility_.processID(*focused);
    if (!owner || *owner == frontmostPid) {
        return true; // an owner that cannot be told is taken to be in front
    }
    // A sandbox may show its application to accessibility under another process than its windows:
    // an active window of the field's own application counts as in front too.
    return accessibility_.focusedWindow(*owner).has_value();
}

} // namespace vesperline
