#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest show Qt texts as text in its failure messages (lists of them too), not as bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
