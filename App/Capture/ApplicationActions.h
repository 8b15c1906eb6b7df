#pragma once

#include <QString>

#include <functional>

namespace vesperline {

// Opens a URL given as text with the desktop's handler; text that is not an absolute URL does
// nothing and raises nothing.
void openURLString(const QString& text);

// Starts a fresh instance of the application (by default: this executable with the same
// arguments), then quits this one, whether the new one started or not.
void relaunchApp(const std::function<bool()>& launch = {});

// Asks the main thread to quit the application; returns at once.
void terminateOnMain();

} // namespace vesperline
