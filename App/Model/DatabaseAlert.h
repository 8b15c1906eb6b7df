#pragma once

#include <QString>

namespace vesperline {

// The question asked when the memory's database cannot be opened at launch or is found damaged while
// the app runs: set the damaged file aside and start a new, empty memory (or try again, when the
// cause is not damage), or quit; and the notice that a damaged database was rebuilt without loss.
// The application shows them as modal message boxes; tests script them.
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

    // What the user is told after a damaged database was rebuilt with nothing lost: a title, a text
    // and one button.
    static Texts rebuiltTexts();

    virtual ~DatabaseAlert() = default;
    // Shows the alert and waits for the answer: true for the first button.
    virtual bool present(bool damaged, const QString& message) = 0;
    // Tells that the damaged database was rebuilt, and waits until that was read.
    virtual void presentRebuilt() = 0;
};

} // namespace vesperline
