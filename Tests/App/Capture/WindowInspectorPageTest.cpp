// The page walk of a browser window on fake trees: private-window markers, address fields and
// the limits of the walk.
#include "Capture/WindowInspector.h"
#include "Platform/Fake/FakeAccessibility.h"
#include "Platform/Fake/FakeWindowServer.h"

#include <gtest/gtest.h>

namespace vesperline {
namespace {

using platform::AccessibleElement;
using platform::AccessibleRole;
using platform::FakeAccessibleNode;

class WindowInspectorPageTest : public ::testing::Test {
  protected:
    WindowInspector::Page page(bool search = true) { return inspector.browserPage(window, search); }

    // A chain of plain groups below the window; returns the deepest one, at `depth`.
    AccessibleElement chain(int depth) {
        AccessibleElement parent = window;
        for (int level = 1; level <= depth; ++level) {
            parent = ax.add({}, parent);
        }
        return parent;
    }

    FakeAccessibleNode labelled(std::optional<std::string> title,
                                AccessibleRole role = AccessibleRole::other) {
        FakeAccessibleNode node;
        node.role = role;
        node.title = std::move(title);
        return node;
    }

    platform::FakeAccessibility ax;
    platform::FakeWindowServer windowServer;
    ostrel::SystemClock clock;
    WindowInspector inspector{ax, windowServer, clock};
    AccessibleElement window = ax.add({AccessibleRole::window});
};

struct MarkerCase {
    const char* name;
    std::optional<std::string> description;
    std::optional<std::string> title;
    std::optional<std::string> help;
    std::optional<bool> marker;
};

TEST_F(WindowInspectorPageTest, PrivateMarkersInLabels) {
    const MarkerCase cases[] = {
        {"any case folds", std::nullopt, "Private Browsing", std::nullopt, true},
        {"private alone", std::nullopt, "Private", std::nullopt, true},
        {"marker then a space begins it", std::nullopt, "Private browsing is on", std::nullopt, true},
        {"marker after a space ends it", std::nullopt, "This is a Private Window", std::nullopt, true},
        {"private only as the whole label", std::nullopt, "Not private", std::nullopt, false},
        {"marker inside a word", std::nullopt, "Incognitoish", std::nullopt, false},
        {"Turkish with diacritics", std::nullopt, "Özel Pencere", std::nullopt, true},
        {"Turkish dotted capital", std::nullopt, "GİZLİ GEZİNTİ", std::nullopt, true},
        {"Edge's word", "InPrivate", std::nullopt, std::nullopt, true},
        {"description, title and help joined", "Private", "browsing", std::nullopt, true},
        {"help counts too", std::nullopt, std::nullopt, "Incognito", true},
        {"no label at all", std::nullopt, std::nullopt, std::nullopt, false},
    };
    for (const MarkerCase& test : cases) {
        SCOPED_TRACE(test.name);
        ax = {};
        window = ax.add({AccessibleRole::window});
        const AccessibleElement toolbar = ax.add({}, window);
        FakeAccessibleNode button;
        button.description = test.description;
        button.title = test.title;
        button.help = test.help;
        ax.add(button, toolbar);
        EXPECT_EQ(page().privateMarker, test.marker);
    }
}

TEST_F(WindowInspectorPageTest, MarkersCountToDepthEightOnly) {
    ax.add(labelled("Incognito"), chain(7));
    EXPECT_EQ(page().privateMarker, true) << "a marker at depth 8 counts";

    ax = {};
    window = ax.add({AccessibleRole::window});
    ax.add(labelled("Incognito"), chain(8));
    EXPECT_EQ(page().privateMarker, false) << "at depth 9 it is ignored; reaching that depth proves the rest";
}

TEST_F(WindowInspectorPageTest, UnreadableNodes) {
    ax.at(window).readable = false;
    ax.at(window).document = "https://example.org/a";
    EXPECT_EQ(page(), (WindowInspector::Page{"https://example.org/a", std::nullopt}))
        << "an unreadable top node gives the document and no marker";

    ax = {};
    window = ax.add({AccessibleRole::window});
    for (int i = 0; i < 39; ++i) {
        ax.add({}, window);
    }
    EXPECT_EQ(page().privateMarker, false) << "40 readable nodes without a marker: drained, so false";

    ax.at(chain(3)).readable = false;
    EXPECT_EQ(page().privateMarker, std::nullopt) << "one unreadable node at depth 3 leaves it unknown";

    ax.add(labelled("Private"), window);
    EXPECT_EQ(page().privateMarker, true) << "a marker found wins over unreadable nodes";
}

TEST_F(WindowInspectorPageTest, StopsAfter1500NodesWithoutAnswer) {
    for (int i = 0; i < 1600; ++i) {
        ax.add({}, window);
    }
    EXPECT_EQ(page().privateMarker, std::nullopt) << "neither drained nor deep";
    EXPECT_EQ(ax.batchedReads, 1500);
}

TEST_F(WindowInspectorPageTest, AddressOfThePage) {
    struct Case {
        const char* name;
        std::optional<std::string> document;
        std::optional<std::string> webArea;
        std::string fieldLabel;
        AccessibleRole fieldRole;
        std::optional<std::string> fieldValue;
        std::optional<std::string> url;
    };
    const Case cases[] = {
        // Address bars leave "http://" out as they do "https://": no scheme is made up.
        {"field without a scheme", std::nullopt, std::nullopt, "Address and search bar",
         AccessibleRole::textField, "127.0.0.1:8766/page.html", "127.0.0.1:8766/page.html"},
        {"field with a scheme", std::nullopt, std::nullopt, "Search or enter address",
         AccessibleRole::comboBox, "http://example.org", "http://example.org"},
        {"field showing a browser page", std::nullopt, std::nullopt, "Search or enter address",
         AccessibleRole::comboBox, "chrome://settings/", std::nullopt},
        {"Turkish field label", std::nullopt, std::nullopt, "Adres çubuğu", AccessibleRole::textField,
         "ornek.com.tr", "ornek.com.tr"},
        // Firefox names its own interface as the window's document.
        {"the browser's interface document is no page", "chrome://browser/content/browser.xhtml",
         "http://127.0.0.1:8766/page.html", "Search or enter address", AccessibleRole::comboBox,
         "127.0.0.1:8766/page.html", "http://127.0.0.1:8766/page.html"},
        {"a new tab is no page", "chrome://browser/content/browser.xhtml", "about:newtab",
         "Search or enter address", AccessibleRole::comboBox, std::nullopt, std::nullopt},
        {"the document wins", "file:///home/a.html", "https://web.example", "URL", AccessibleRole::textField,
         "example.org", "file:///home/a.html"},
        {"the web area before the field", std::nullopt, "https://web.example/", "URL",
         AccessibleRole::textField, "example.org", "https://web.example/"},
        {"a blank field value is no address", std::nullopt, std::nullopt, "Location",
         AccessibleRole::textField, "   ", std::nullopt},
        {"a button is no address field", std::nullopt, std::nullopt, "Address", AccessibleRole::other,
         "example.org", std::nullopt},
        {"a field with another label", std::nullopt, std::nullopt, "Find in page", AccessibleRole::textField,
         "example.org", std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ax = {};
        window = ax.add({AccessibleRole::window});
        ax.at(window).document = test.document;
        const AccessibleElement toolbar = ax.add({}, window);
        FakeAccessibleNode field = labelled(test.fieldLabel, test.fieldRole);
        field.value = test.fieldValue;
        ax.add(field, toolbar);
        if (test.webArea) {
            FakeAccessibleNode webArea{AccessibleRole::webArea};
            webArea.document = test.webArea;
            ax.add(webArea, window);
        }
        EXPECT_EQ(page().url, test.url);
    }
}

TEST_F(WindowInspectorPageTest, ThePageIsTheShownTabs) {
    // Firefox keeps the page of every tab in the tree, each where the shown one is.
    for (const auto& [address, showing] :
         {std::pair{"https://hidden.example/", false}, std::pair{"http://127.0.0.1:8766/page.html", true}}) {
        const AccessibleElement panel = ax.add({}, window);
        FakeAccessibleNode webArea{AccessibleRole::webArea};
        webArea.document = address;
        webArea.showing = showing;
        ax.add(webArea, panel);
    }
    EXPECT_EQ(page().url, "http://127.0.0.1:8766/page.html");
}

TEST_F(WindowInspectorPageTest, AWindowWithNothingReadableBelowItShowsNoTree) {
    // Chromium before its tree was asked for: the window, and one child that cannot be read.
    FakeAccessibleNode unreadable;
    unreadable.readable = false;
    const AccessibleElement child = ax.add(unreadable, window);
    EXPECT_EQ(page(), (WindowInspector::Page{std::nullopt, std::nullopt, true}));
    ax.at(child).readable = true;
    EXPECT_FALSE(page().showsNoTree);
    ax.at(window).readable = false;
    EXPECT_FALSE(page().showsNoTree) << "a window that cannot be read itself tells nothing";
}

TEST_F(WindowInspectorPageTest, WebContentIsNeverEntered) {
    FakeAccessibleNode webArea{AccessibleRole::webArea};
    webArea.document = "https://example.org/";
    const AccessibleElement content = ax.add(webArea, window);
    ax.add(labelled("Private browsing"), content);
    EXPECT_EQ(page(), (WindowInspector::Page{"https://example.org/", false}));
}

TEST_F(WindowInspectorPageTest, WithoutSearchOnlyTheDocument) {
    ax.at(window).document = "https://example.org/";
    ax.add(labelled("Private"), window);
    EXPECT_EQ(page(false), (WindowInspector::Page{"https://example.org/", std::nullopt}));
    EXPECT_EQ(ax.batchedReads, 0);
}

} // namespace
} // namespace vesperline
