#include "Capture/NonBlank.h"
#include "Capture/WindowInspector.h"

#include "Support/Graphemes.h"

#include <utility>

namespace vesperline {

using platform::AccessibleElement;
using platform::AccessibleRole;

namespace {

// Longer texts yield only the part on screen.
constexpr long long wholeTextLimit = 6000;
// Deeper subtrees are not entered.
constexpr int maxChildDepth = 47;
// The clock is read only every so many nodes.
constexpr int clockInterval = 16;

bool isSkippedRole(AccessibleRole role) {
    switch (role) {
    case AccessibleRole::menuBar:
    case AccessibleRole::menu:
    case AccessibleRole::scrollBar:
    case AccessibleRole::valueIndicator:
    case AccessibleRole::image:
    case AccessibleRole::busyIndicator:
        return true;
    default:
        return false;
    }
}

bool isListLike(AccessibleRole role) {
    return role == AccessibleRole::list || role == AccessibleRole::table || role == AccessibleRole::outline ||
           role == AccessibleRole::browser;
}

} // namespace

std::optional<std::string> WindowInspector::elementText(const AccessibleElement& element) {
    const auto count = accessibility_.characterCount(element);
    if (count && *count > wholeTextLimit) {
        // No fallback to the whole value: a huge text is read only where it shows.
        const auto range = accessibility_.visibleCharacterRange(element);
        if (!range) {
            return std::nullopt;
        }
        return nonBlank(accessibility_.stringForRange(element, *range));
    }
    return nonBlank(accessibility_.value(element));
}

WindowInspector::Text WindowInspector::readText(const AccessibleElement& window,
                                                std::optional<ostrel::Rect> visible, int maxNodes,
                                                int maxCharacters, double seconds) {
    const double deadline = clock_.uptime() + seconds;
    std::vector<std::pair<AccessibleElement, int>> stack{{window, 0}};
    std::string text;
    long long characters = 0;
    Text result;

    bool anyPiece = false;
    const auto appendPiece = [&](const std::optional<std::string>& piece) {
        if (!piece) {
            return;
        }
        if (anyPiece) {
            text += '\n';
        }
        anyPiece = true;
        text += *piece;
        characters += static_cast<long long>(ostrel::Graphemes::count(*piece));
    };
    while (!stack.empty()) {
        auto [element, depth] = std::move(stack.back());
        stack.pop_back();
        ++result.nodesVisited;
        if (result.nodesVisited > maxNodes || characters > maxCharacters) {
            result.complete = false;
            break;
        }
        if (result.nodesVisited % clockInterval == 0 && clock_.uptime() > deadline) {
            result.complete = false;
            break;
        }
        const auto node = accessibility_.node(element);
        if (!node || node->role == AccessibleRole::secureTextField) {
            continue;
        }
        if (visible && node->frame && !node->frame->isEmpty() && !node->frame->intersects(*visible)) {
            continue;
        }
        bool enter = false;
        switch (node->role) {
        case AccessibleRole::staticText:
            appendPiece(nonBlank(accessibility_.value(element)));
            break;
        case AccessibleRole::textArea:
        case AccessibleRole::textField:
            appendPiece(elementText(element));
            break;
        case AccessibleRole::comboBox:
        case AccessibleRole::textBlock:
            appendPiece(elementText(element));
            enter = depth <= maxChildDepth;
            break;
        case AccessibleRole::webArea:
            // The pages of a browser's other tabs lie in the tree too, where the shown one is.
            enter = depth <= maxChildDepth && accessibility_.isShowing(element) != false;
            break;
        default:
            enter = !isSkippedRole(node->role) && depth <= maxChildDepth;
            break;
        }
        if (!enter) {
            continue;
        }
        std::optional<std::vector<AccessibleElement>> children;
        if (isListLike(node->role)) {
            children = accessibility_.visibleChildren(element);
        }
        if (!children) {
            children = accessibility_.children(element);
        }
        if (children) {
            // Reversed, so the first child is taken next and the text reads in document order.
            for (auto child = children->rbegin(); child != children->rend(); ++child) {
                stack.emplace_back(std::move(*child), depth + 1);
            }
        }
    }
    result.text = std::move(text);
    return result;
}

} // namespace vesperline
