#pragma once

#include "Platform/AccessibleElement.h"
#include "Platform/AccessibleNode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesperline::platform {

// Synchronous reads of other applications' accessibility trees. Every read is bounded by a
// time-out of 0.3 s, and every failure (no such node, no answer, a value of the wrong kind) reads as
// an absent value. Reads may be made from any one thread at a time.
class Accessibility {
  public:
    virtual ~Accessibility() = default;

    // Whether other applications' trees can be read at all.
    virtual bool isTrusted() = 0;
    // Asks the desktop to let other applications' trees be read; returns at once, and a grant shows
    // in `isTrusted` a moment later. Main thread only.
    virtual void requestTrust() = 0;
    // Switches the desktop's accessibility on while we record, as assistive programs do, so that
    // applications offer their trees; when it was off, it is switched off again when this object
    // goes (at quit), unless the user asked for it meanwhile. Returns at once. Main thread only.
    virtual void keepSwitchedOn() = 0;

    // The windows of the application of a process, in the application's order.
    virtual std::optional<std::vector<AccessibleElement>> windows(std::int32_t pid) = 0;
    // The window of that application that has the keyboard focus.
    virtual std::optional<AccessibleElement> focusedWindow(std::int32_t pid) = 0;
    // The window of that application the user works in when none has the focus.
    virtual std::optional<AccessibleElement> mainWindow(std::int32_t pid) = 0;
    // The node that has the keyboard focus, across all applications.
    virtual std::optional<AccessibleElement> focusedElement() = 0;

    virtual std::optional<AccessibleNode> node(const AccessibleElement& element) = 0;
    virtual std::optional<AccessibleLabels> labels(const AccessibleElement& element) = 0;
    virtual std::optional<AccessibleRole> role(const AccessibleElement& element) = 0;
    virtual std::optional<std::string> title(const AccessibleElement& element) = 0;
    // The node's value: the whole text of a text node, the text of a label.
    virtual std::optional<std::string> value(const AccessibleElement& element) = 0;
    virtual std::optional<ostrel::Rect> frame(const AccessibleElement& element) = 0;
    virtual std::optional<std::vector<AccessibleElement>> children(const AccessibleElement& element) = 0;
    // Only the children that are shown, for nodes that can tell them apart cheaply.
    virtual std::optional<std::vector<AccessibleElement>>
    visibleChildren(const AccessibleElement& element) = 0;
    virtual std::optional<long long> characterCount(const AccessibleElement& element) = 0;
    virtual std::optional<TextRange> visibleCharacterRange(const AccessibleElement& element) = 0;
    virtual std::optional<std::string> stringForRange(const AccessibleElement& element, TextRange range) = 0;
    // The address of the document the node shows (a window's file, a web area's page), as the
    // application gives it: it may name the application's own interface ("chrome://", "about:").
    virtual std::optional<std::string> documentAddress(const AccessibleElement& element) = 0;
    // Whether the node is shown on screen now; a browser keeps the pages of its other tabs in its tree,
    // in the same place as the page shown.
    virtual std::optional<bool> isShowing(const AccessibleElement& element) = 0;
    // The process of the application the node belongs to, as the accessibility bus knows it.
    virtual std::optional<std::int32_t> processID(const AccessibleElement& element) = 0;
};

} // namespace vesperline::platform
