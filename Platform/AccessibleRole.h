#pragma once

namespace vesperline::platform {

// The roles the readers tell apart; every other role is `other`.
enum class AccessibleRole {
    other,
    application,
    window,
    staticText,
    // A part of a document that keeps text of its own beside its child nodes: a paragraph, heading,
    // section, link, list item, table cell and the like. Its own text is read, then its children.
    textBlock,
    textArea,
    textField,
    // A text field that hides what is typed (password entry).
    secureTextField,
    comboBox,
    // The rendered content of a web page.
    webArea,
    menuBar,
    menu,
    scrollBar,
    valueIndicator,
    image,
    busyIndicator,
    list,
    table,
    outline,
    browser,
};

} // namespace vesperline::platform
