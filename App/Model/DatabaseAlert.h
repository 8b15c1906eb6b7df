#pragma once

#include <QString>

namespace vesperline {

// The question asked when the memory's database cannot be opened at launch or is found damaged while
// the app runs: set the damaged file aside and start a new, empty memory (or try again, when the
// cause is not damage), or quit. The application shows it as a modal message box; tests script it.
class DatabaseAlert {
  public:
    struct Texts {
        QString title;
        QString text;
        QString firstButton;
        QString secondButton;

        bool operator==(const Texts&) const = default;
    };

    // Damage: the fixed explanation and "Start a New Memory"; anything else: `message`, which names
    // what is wrong (DatabaseOpenFailure), and "Try Again".
    static Texts texts(bool damaged, const QString& message);

    virtual ~DatabaseAlert() = default;
    // Shows the alert and waits for the answer: true for the first button.
    virtual bool present(bool damaged, const QString& message) = 0;
};

} // namespace vesperline
