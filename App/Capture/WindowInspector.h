#pragma once

#include "Capture/AXWindow.h"
#include "Capture/WindowSnapshot.h"
#include "Platform/Accessibility.h"
#include "Platform/WindowServer.h"
#include "Support/Time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperline {

// Synchronous reads of other applications' windows through accessibility: the frontmost window's
// title and frame, whether a password field has the keyboard focus, a window's visible text under
// node, character and time budgets, and a browser window's page address and private-window marker.
// Every failure of the platform reads as an absent value; nothing is logged or thrown. Stateless:
// each call builds its results afresh.
class WindowInspector {
  public:
    struct Page {
        // A web or file address only: browsers also give their own interface documents as addresses.
        std::optional<std::string> url;
        // Absent when it could not be determined.
        std::optional<bool> privateMarker;
        // Nothing below the window could be read: its application keeps its tree to itself
        // (Chromium-based programs until they are asked for it at their start).
        bool showsNoTree = false;

        bool operator==(const Page&) const = default;
    };

    struct Text {
        std::string text;
        int nodesVisited = 0;
        bool complete = true;

        bool operator==(const Text&) const = default;
    };

    // The budgets of the capture pipeline's text read.
    static constexpr int readTextMaxNodes = 1500;
    static constexpr int readTextMaxCharacters = 30000;
    static constexpr double readTextSeconds = 0.07;

    // `clock` gives the uptime the text walk's deadline is measured in.
    WindowInspector(platform::Accessibility& accessibility, platform::WindowServer& windowServer,
                    const ostrel::Clock& clock);
    WindowInspector(const WindowInspector&) = delete;
    WindowInspector& operator=(const WindowInspector&) = delete;

    // Whether other applications' windows can be read at all.
    bool isTrusted() { return accessibility_.isTrusted(); }
    std::optional<ostrel::Rect> frameOf(const platform::AccessibleElement& element);
    // The accessibility windows of a process; empty without permission.
    std::vector<AXWindow> windows(std::int32_t pid);
    // The process's front ordinary window from the window list, passing over windows smaller than
    // 80 x 60; all absent when there is none. Never has an element.
    WindowSnapshot windowListFrame(std::int32_t pid);
    // The process's focused (else main) window, with the window list filling what accessibility lacks.
    WindowSnapshot snapshot(std::int32_t pid);
    // Whether a password field has the keyboard focus in the application in front (process
    // `frontmostPid`): toolkits tell no one when their window merely goes behind another one, so
    // the last field to take the focus may belong to an application no longer in front.
    bool isSecureInputFocused(std::int32_t frontmostPid);
    // A text node's text; for more than 6,000 characters only its visible range.
    std::optional<std::string> elementText(const platform::AccessibleElement& element);
    Page browserPage(const platform::AccessibleElement& window, bool search);
    Text readText(const platform::AccessibleElement& window, std::optional<ostrel::Rect> visible,
                  int maxNodes, int maxCharacters, double seconds);

  private:
    platform::Accessibility& accessibility_;
    platform::WindowServer& windowServer_;
    const ostrel::Clock& clock_;
};

} // namespace vesperline
