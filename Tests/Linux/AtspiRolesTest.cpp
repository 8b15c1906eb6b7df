// Which of our roles the AT-SPI roles of real toolkits become: what the text walk reads as text.
#include "Platform/Linux/AtspiRoles.h"

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

TEST(AtspiRolesTest, TextBearingRolesOfPagesDocumentsAndToolkits) {
    const struct {
        const char* name;
        AtspiRole atspi;
        AccessibleRole expected;
    } cases[] = {
        // Labels give their text (or their name) and have no children worth reading.
        {"GTK label", ATSPI_ROLE_LABEL, AccessibleRole::staticText},
        {"static text", ATSPI_ROLE_STATIC, AccessibleRole::staticText},
        // Firefox and Chromium pages, LibreOffice and GTK 4 documents: text around child nodes.
        {"paragraph", ATSPI_ROLE_PARAGRAPH, AccessibleRole::textBlock},
        {"heading", ATSPI_ROLE_HEADING, AccessibleRole::textBlock},
        {"section", ATSPI_ROLE_SECTION, AccessibleRole::textBlock},
        {"link", ATSPI_ROLE_LINK, AccessibleRole::textBlock},
        {"list item", ATSPI_ROLE_LIST_ITEM, AccessibleRole::textBlock},
        {"table cell", ATSPI_ROLE_TABLE_CELL, AccessibleRole::textBlock},
        {"table caption", ATSPI_ROLE_CAPTION, AccessibleRole::textBlock},
        {"block quote", ATSPI_ROLE_BLOCK_QUOTE, AccessibleRole::textBlock},
        {"LibreOffice Writer's document", ATSPI_ROLE_DOCUMENT_TEXT, AccessibleRole::textBlock},
        // Controls that show their own value.
        {"GTK text view, entry", ATSPI_ROLE_TEXT, AccessibleRole::textField},
        {"entry", ATSPI_ROLE_ENTRY, AccessibleRole::textField},
        {"terminal", ATSPI_ROLE_TERMINAL, AccessibleRole::textArea},
        {"password", ATSPI_ROLE_PASSWORD_TEXT, AccessibleRole::secureTextField},
        {"web page", ATSPI_ROLE_DOCUMENT_WEB, AccessibleRole::webArea},
        // Containers and controls named by their label only.
        {"push button", ATSPI_ROLE_PUSH_BUTTON, AccessibleRole::other},
        {"panel", ATSPI_ROLE_PANEL, AccessibleRole::other},
        {"browser tab", ATSPI_ROLE_PAGE_TAB, AccessibleRole::other},
        {"menu", ATSPI_ROLE_MENU, AccessibleRole::menu},
        {"unknown number", AtspiRole(100000), AccessibleRole::other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(accessibleRoleFromAtspi(c.atspi), c.expected) << c.name;
    }
}

} // namespace
} // namespace vesperline::platform
