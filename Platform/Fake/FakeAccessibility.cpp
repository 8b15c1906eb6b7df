#include "Platform/Fake/FakeAccessibility.h"

#include <stdexcept>

namespace vesperline::platform {

namespace {

const std::string fakeBus = "fake";

template <typename Map> std::optional<AccessibleElement> lookup(const Map& map, std::int32_t pid) {
    const auto found = map.find(pid);
    return found == map.end() ? std::nullopt : std::optional(found->second);
}

} // namespace

AccessibleElement FakeAccessibility::add(FakeAccessibleNode node,
                                         const std::optional<AccessibleElement>& parent) {
    const AccessibleElement element{fakeBus, "/" + std::to_string(nodes_.size())};
    nodes_.push_back(std::move(node));
    if (parent) {
        at(*parent).children.push_back(element);
    }
    return element;
}

FakeAccessibleNode* FakeAccessibility::find(const AccessibleElement& element) {
    if (element.bus != fakeBus || element.path.size() < 2) {
        return nullptr;
    }
    const std::size_t index = std::stoul(element.path.substr(1));
    return index < nodes_.size() ? &nodes_[index] : nullptr;
}

FakeAccessibleNode& FakeAccessibility::at(const AccessibleElement& element) {
    FakeAccessibleNode* node = find(element);
    if (!node) {
        throw std::out_of_range("no fake accessible node " + element.path);
    }
    return *node;
}

std::optional<std::vector<AccessibleElement>> FakeAccessibility::windows(std::int32_t pid) {
    const auto found = windowsByPid.find(pid);
    return found == windowsByPid.end() ? std::nullopt : std::optional(found->second);
}

std::optional<AccessibleElement> FakeAccessibility::focusedWindow(std::int32_t pid) {
    return lookup(focusedWindowByPid, pid);
}

std::optional<AccessibleElement> FakeAccessibility::mainWindow(std::int32_t pid) {
    return lookup(mainWindowByPid, pid);
}

std::optional<AccessibleNode> FakeAccessibility::node(const AccessibleElement& element) {
    ++batchedReads;
    if (onRead) {
        onRead();
    }
    const FakeAccessibleNode* node = find(element);
    if (!node || !node->readable) {
        return std::nullopt;
    }
    return AccessibleNode{node->role, node->frame};
}

std::optional<AccessibleLabels> FakeAccessibility::labels(const AccessibleElement& element) {
    ++batchedReads;
    if (onRead) {
        onRead();
    }
    const FakeAccessibleNode* node = find(element);
    if (!node || !node->readable) {
        return std::nullopt;
    }
    return AccessibleLabels{node->role, node->description, node->title, node->help};
}

std::optional<AccessibleRole> FakeAccessibility::role(const AccessibleElement& element) {
    const FakeAccessibleNode* node = find(element);
    return node ? std::optional(node->role) : std::nullopt;
}

template <typename Value>
std::optional<Value> FakeAccessibility::field(const AccessibleElement& element,
                                              std::optional<Value> FakeAccessibleNode::*member) {
    const FakeAccessibleNode* node = find(element);
    return node ? node->*member : std::nullopt;
}

std::optional<std::string> FakeAccessibility::title(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::title);
}

std::optional<std::string> FakeAccessibility::value(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::value);
}

std::optional<ostrel::Rect> FakeAccessibility::frame(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::frame);
}

std::optional<std::vector<AccessibleElement>>
FakeAccessibility::visibleChildren(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::visibleChildren);
}

std::optional<long long> FakeAccessibility::characterCount(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::characterCount);
}

std::optional<TextRange> FakeAccessibility::visibleCharacterRange(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::visibleRange);
}

std::optional<std::string> FakeAccessibility::documentAddress(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::document);
}

std::optional<bool> FakeAccessibility::isShowing(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::showing);
}

std::optional<std::int32_t> FakeAccessibility::processID(const AccessibleElement& element) {
    return field(element, &FakeAccessibleNode::pid);
}

std::optional<std::vector<AccessibleElement>> FakeAccessibility::children(const AccessibleElement& element) {
    const FakeAccessibleNode* node = find(element);
    return node ? std::optional(node->children) : std::nullopt;
}

std::optional<std::string> FakeAccessibility::stringForRange(const AccessibleElement& element,
                                                             TextRange range) {
    const FakeAccessibleNode* node = find(element);
    if (!node || !node->value || range.location < 0 || range.length < 0 ||
        static_cast<std::size_t>(range.location) > node->value->size()) {
        return std::nullopt;
    }
    // Fake texts are ASCII, so characters are bytes.
    return node->value->substr(range.location, range.length);
}

} // namespace vesperline::platform
