#pragma once

namespace vesperline::platform {

// The roles the readers tell apart; every other role is `other`.
enum class AccessibleRole {
    other,
    application,
    window,
    staticText,
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
