#include "Platform/Linux/AtspiRoles.h"

#include <atspi/atspi-constants.h>

namespace vesperline::platform {

AccessibleRole accessibleRoleFromAtspi(std::uint32_t atspiRole) {
    switch (atspiRole) {
    case ATSPI_ROLE_APPLICATION:
        return AccessibleRole::application;
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
        return AccessibleRole::window;
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
        return AccessibleRole::staticText;
    // Web pages, office documents and GTK 4 keep their text in the parts of the document themselves,
    // around the child nodes (links, emphasis) that hold the rest.
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_LINK:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_COLUMN_HEADER:
    case ATSPI_ROLE_ROW_HEADER:
    case ATSPI_ROLE_TABLE_COLUMN_HEADER:
    case ATSPI_ROLE_TABLE_ROW_HEADER:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_HEADER:
    case ATSPI_ROLE_FOOTER:
    case ATSPI_ROLE_FOOTNOTE:
    case ATSPI_ROLE_COMMENT:
    case ATSPI_ROLE_DEFINITION:
    case ATSPI_ROLE_DESCRIPTION_TERM:
    case ATSPI_ROLE_DESCRIPTION_VALUE:
    case ATSPI_ROLE_MARK:
    case ATSPI_ROLE_SUBSCRIPT:
    case ATSPI_ROLE_SUPERSCRIPT:
    case ATSPI_ROLE_CONTENT_DELETION:
    case ATSPI_ROLE_CONTENT_INSERTION:
    case ATSPI_ROLE_DOCUMENT_TEXT:
        return AccessibleRole::textBlock;
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_SPIN_BUTTON:
        return AccessibleRole::textField;
    case ATSPI_ROLE_TERMINAL:
        return AccessibleRole::textArea;
    case ATSPI_ROLE_PASSWORD_TEXT:
        return AccessibleRole::secureTextField;
    case ATSPI_ROLE_COMBO_BOX:
        return AccessibleRole::comboBox;
    case ATSPI_ROLE_DOCUMENT_WEB:
        return AccessibleRole::webArea;
    case ATSPI_ROLE_MENU_BAR:
        return AccessibleRole::menuBar;
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
        return AccessibleRole::menu;
    case ATSPI_ROLE_SCROLL_BAR:
        return AccessibleRole::scrollBar;
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return AccessibleRole::image;
    case ATSPI_ROLE_ANIMATION:
        return AccessibleRole::busyIndicator;
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return AccessibleRole::list;
    case ATSPI_ROLE_TABLE:
        return AccessibleRole::table;
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_TREE_TABLE:
        return AccessibleRole::outline;
    default:
        return AccessibleRole::other;
    }
}

} // namespace vesperline::platform
