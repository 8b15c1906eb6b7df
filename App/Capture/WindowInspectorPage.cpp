#include "Capture/NonBlank.h"
#include "Capture/WindowInspector.h"

#include "Rules/ProjectInference.h"
#include "Search/TextNormalizer.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vesperline {

using platform::AccessibleElement;
using platform::AccessibleRole;

namespace {

// Labels of the controls browsers show in private windows, folded; "private" counts only alone.
constexpr std::string_view wholeLabelMarker = "private";
constexpr std::array<std::string_view, 11> privateMarkers = {
    "incognito",     "inprivate",   "private browsing", "private window", "gizli",       "gizli pencere",
    "gizli gezinti", "ozel tarama", "ozel dolasma",     "ozel dolasim",   "ozel pencere"};
// Words in the label of a browser's address field, folded.
constexpr std::array<std::string_view, 5> addressFieldWords = {"address", "adres", "url", "location",
                                                               "konum"};

constexpr int maxNodes = 1500;
// Markers deeper than this are not believed; below the other limit nothing is entered.
constexpr int maxMarkerDepth = 8;
constexpr int maxChildDepth = 13;

bool carriesMarker(std::string_view label) {
    if (label == wholeLabelMarker) {
        return true;
    }
    return std::any_of(privateMarkers.begin(), privateMarkers.end(), [&](std::string_view marker) {
        if (label == marker) {
            return true;
        }
        const bool begins = label.size() > marker.size() && label.substr(0, marker.size()) == marker &&
                            label[marker.size()] == ' ';
        const bool ends = label.size() > marker.size() &&
                          label.substr(label.size() - marker.size()) == marker &&
                          label[label.size() - marker.size() - 1] == ' ';
        return begins || ends;
    });
}

bool namesAddressField(std::string_view label) {
    return std::any_of(addressFieldWords.begin(), addressFieldWords.end(),
                       [&](std::string_view word) { return label.find(word) != std::string_view::npos; });
}

std::string labelOf(const platform::AccessibleLabels& labels) {
    std::string joined;
    for (const auto* part : {&labels.description, &labels.title, &labels.help}) {
        if (*part) {
            if (!joined.empty()) {
                joined += ' ';
            }
            joined += **part;
        }
    }
    return ostrel::TextNormalizer::fold(joined);
}

// Only a web or file address (or a file's path) names a page. Browsers give their own interface
// documents as addresses too: Firefox's window is "chrome://browser/content/browser.xhtml", a new tab
// "about:newtab".
std::optional<std::string> pageAddress(const std::optional<std::string>& address) {
    if (!nonBlank(address)) {
        return std::nullopt;
    }
    const std::optional<std::string> scheme = ostrel::ProjectInference::scheme(address);
    if (scheme ? *scheme == "http" || *scheme == "https" || *scheme == "file" : address->starts_with('/')) {
        return address;
    }
    return std::nullopt;
}

} // namespace

WindowInspector::Page WindowInspector::browserPage(const AccessibleElement& window, bool search) {
    std::optional<std::string> document = pageAddress(accessibility_.documentAddress(window));
    if (!search) {
        return {document, std::nullopt};
    }
    std::optional<std::string> webAreaURL;
    std::optional<std::string> candidate;
    std::vector<std::pair<AccessibleElement, int>> queue{{window, 0}};
    int failures = 0;
    bool deep = false;
    bool found = false;
    bool readBelowWindow = false;
    std::size_t index = 0;
    for (; index < queue.size(); ++index) {
        if (index == maxNodes) {
            break;
        }
        const AccessibleElement element = queue[index].first;
        const int depth = queue[index].second;
        if (depth > maxMarkerDepth) {
            deep = true;
        }
        const auto labels = accessibility_.labels(element);
        if (!labels) {
            if (depth == 0) {
                return {document, std::nullopt};
            }
            if (depth <= maxMarkerDepth) {
                ++failures;
            }
            continue;
        }
        readBelowWindow = readBelowWindow || depth > 0;
        if (labels->role == AccessibleRole::webArea) {
            // Web content is never entered; its address is the page's when the window has none. The
            // pages of the other tabs lie in the tree too, where the shown one is.
            if (!document && !webAreaURL && accessibility_.isShowing(element) != false) {
                webAreaURL = pageAddress(accessibility_.documentAddress(element));
            }
            continue;
        }
        const std::string label = labelOf(*labels);
        if (!label.empty()) {
            if (depth <= maxMarkerDepth && carriesMarker(label)) {
                found = true;
            }
            const bool addressRole =
                labels->role == AccessibleRole::textField || labels->role == AccessibleRole::comboBox;
            if (!candidate && addressRole && namesAddressField(label)) {
                candidate = nonBlank(accessibility_.value(element));
            }
        }
        if (depth <= maxChildDepth) {
            if (const auto children = accessibility_.children(element)) {
                for (const AccessibleElement& child : *children) {
                    queue.emplace_back(child, depth + 1);
                }
            }
        }
    }
    const bool drained = index >= queue.size();

    Page page;
    page.showsNoTree = drained && !readBelowWindow;
    if (found) {
        page.privateMarker = true;
    } else if (failures == 0 && (drained || deep)) {
        page.privateMarker = false;
    }
    if (document) {
        page.url = document;
    } else if (webAreaURL) {
        page.url = webAreaURL;
    } else if (candidate) {
        // Address bars leave the scheme out; none is made up for them.
        page.url = candidate->find("://") != std::string::npos ? pageAddress(candidate) : candidate;
    }
    return page;
}

} // namespace vesperline
