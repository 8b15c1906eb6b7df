#pragma once

#include "Platform/Accessibility.h"

#include <functional>
#include <map>

namespace vesperline::platform {

// One node of a fake accessibility tree; every field absent reads as absent.
struct FakeAccessibleNode {
    FakeAccessibleNode() = default;
    FakeAccessibleNode(AccessibleRole role) : role(role) {}

    AccessibleRole role = AccessibleRole::other;
    // An unreadable node fails the batched reads (`node`, `labels`); its other reads still work.
    bool readable = true;
    std::optional<ostrel::Rect> frame;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> help;
    std::optional<std::string> value;
    std::optional<std::string> document;
    std::optional<bool> showing = true;
    // The process of the node's application.
    std::optional<std::int32_t> pid;
    std::optional<long long> characterCount;
    std::optional<TextRange> visibleRange;
    std::vector<AccessibleElement> children;
    std::optional<std::vector<AccessibleElement>> visibleChildren;
};

// An accessibility tree built by a test. Nodes are added under a parent; the windows of a process,
// its focused and main window and the focused node are set directly.
class FakeAccessibility final : public Accessibility {
  public:
    bool trusted = true;
    // How often trust was asked for, and whether asking grants it.
    int trustRequests = 0;
    bool grantsTrustOnRequest = false;
    // How often the switch was asked to be kept on.
    int keepOnRequests = 0;
    std::map<std::int32_t, std::vector<AccessibleElement>> windowsByPid;
    std::map<std::int32_t, AccessibleElement> focusedWindowByPid;
    std::map<std::int32_t, AccessibleElement> mainWindowByPid;
    std::optional<AccessibleElement> focused;
    // Called on every read of a node, e.g. to let a test clock run.
    std::function<void()> onRead;
    // How many batched reads (`node`, `labels`) were made.
    int batchedReads = 0;

    AccessibleElement add(FakeAccessibleNode node,
                          const std::optional<AccessibleElement>& parent = std::nullopt);
    FakeAccessibleNode& at(const AccessibleElement& element);

    bool isTrusted() override { return trusted; }
    void requestTrust() override {
        ++trustRequests;
        trusted = trusted || grantsTrustOnRequest;
    }
    void keepSwitchedOn() override { ++keepOnRequests; }
    std::optional<std::vector<AccessibleElement>> windows(std::int32_t pid) override;
    std::optional<AccessibleElement> focusedWindow(std::int32_t pid) override;
    std::optional<AccessibleElement> mainWindow(std::int32_t pid) override;
    std::optional<AccessibleElement> focusedElement() override { return focused; }
    std::optional<AccessibleNode> node(const AccessibleElement& element) override;
    std::optional<AccessibleLabels> labels(const AccessibleElement& element) override;
    std::optional<AccessibleRole> role(const AccessibleElement& element) override;
    std::optional<std::string> title(const AccessibleElement& element) override;
    std::optional<std::string> value(const AccessibleElement& element) override;
    std::optional<ostrel::Rect> frame(const AccessibleElement& element) override;
    std::optional<std::vector<AccessibleElement>> children(const AccessibleElement& element) override;
    std::optional<std::vector<AccessibleElement>> visibleChildren(const AccessibleElement& element) override;
    std::optional<long long> characterCount(const AccessibleElement& element) override;
    std::optional<TextRange> visibleCharacterRange(const AccessibleElement& element) override;
    std::optional<std::string> stringForRange(const AccessibleElement& element, TextRange range) override;
    std::optional<std::string> documentAddress(const AccessibleElement& element) override;
    std::optional<bool> isShowing(const AccessibleElement& element) override;
    std::optional<std::int32_t> processID(const AccessibleElement& element) override;

  private:
    // The node, or null for an element of no fake tree.
    FakeAccessibleNode* find(const AccessibleElement& element);
    template <typename Value>
    std::optional<Value> field(const AccessibleElement& element,
                               std::optional<Value> FakeAccessibleNode::*member);

    std::vector<FakeAccessibleNode> nodes_;
};

} // namespace vesperline::platform
