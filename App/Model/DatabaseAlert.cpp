#include "Model/DatabaseAlert.h"

#include <QCoreApplication>

namespace vesperline {

DatabaseAlert::Texts DatabaseAlert::texts(bool damaged, const QString& message) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("DatabaseAlert", text); };
    return {
        tr("Vesperline could not open its database"),
        damaged ? tr("The memory database is damaged. Vesperline can set it aside and start a new, empty "
                     "memory. The damaged file stays in the data folder.")
                : message,
        damaged ? tr("Start a New Memory") : tr("Try Again"),
        tr("Quit Vesperline"),
    };
}

} // namespace vesperline
