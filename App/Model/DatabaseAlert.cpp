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

DatabaseAlert::Texts DatabaseAlert::rebuiltTexts() {
    const auto tr = [](const char* text) { return QCoreApplication::translate("DatabaseAlert", text); };
    return {
        tr("Vesperline repaired its database"),
        tr("Part of the memory database was damaged. Vesperline rebuilt it, with a new search index, "
           "from the moments and their text; nothing was lost. The damaged file stays in the data "
           "folder."),
        tr("OK"),
        QString(),
    };
}

} // namespace vesperline
