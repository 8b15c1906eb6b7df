#include "Platform/Linux/XdgAutostartLoginItem.h"

#include "Platform/Linux/DesktopEntry.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <system_error>

namespace vesperline::platform {

namespace {

std::filesystem::path autostart(const QString& configFolder) {
    return std::filesystem::path(configFolder.toStdString()) / "autostart";
}

} // namespace

XdgAutostartLoginItem::Folders XdgAutostartLoginItem::standardFolders() {
    Folders folders{autostart(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)), {}};
    const QStringList all = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    // The first location is the writable one.
    for (qsizetype i = 1; i < all.size(); ++i) {
        folders.system.push_back(autostart(all[i]));
    }
    return folders;
}

XdgAutostartLoginItem::XdgAutostartLoginItem(Folders folders, QString entryID, QString name, QString program,
                                             QStringList arguments)
    : folders_(std::move(folders)), entryID_(std::move(entryID)), name_(std::move(name)),
      program_(std::move(program)), arguments_(std::move(arguments)) {}

std::filesystem::path XdgAutostartLoginItem::userEntry() const {
    return folders_.user / (entryID_ + ".desktop").toStdString();
}

bool XdgAutostartLoginItem::isEnabled() {
    std::vector<std::filesystem::path> candidates{userEntry()};
    for (const std::filesystem::path& folder : folders_.system) {
        candidates.push_back(folder / (entryID_ + ".desktop").toStdString());
    }
    for (const std::filesystem::path& file : candidates) {
        std::error_code error;
        if (!std::filesystem::exists(file, error)) {
            continue;
        }
        const DesktopEntry::Entry entry = DesktopEntry::read(file);
        return entry.application && !entry.hidden && !entry.autostartDisabled;
    }
    return false;
}

QString XdgAutostartLoginItem::entryText() const {
    std::string exec = DesktopEntry::execArgument(program_.toStdString());
    for (const QString& argument : arguments_) {
        exec += ' ' + DesktopEntry::execArgument(argument.toStdString());
    }
    return QStringLiteral(
               "[Desktop "
               "Entry]\nType=Application\nName=%1\nExec=%2\nIcon=%3\nX-GNOME-Autostart-enabled=true\n")
        .arg(QString::fromStdString(DesktopEntry::escapedValue(name_.toStdString())),
             QString::fromStdString(DesktopEntry::escapedValue(exec)),
             QString::fromStdString(DesktopEntry::escapedValue(entryID_.toStdString())));
}

void XdgAutostartLoginItem::setEnabled(bool enabled) {
    if (enabled) {
        write(entryText());
        return;
    }
    bool systemEntry = false;
    for (const std::filesystem::path& folder : folders_.system) {
        std::error_code error;
        systemEntry =
            systemEntry || std::filesystem::exists(folder / (entryID_ + ".desktop").toStdString(), error);
    }
    if (systemEntry) {
        write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nHidden=true\n")
                  .arg(QString::fromStdString(DesktopEntry::escapedValue(name_.toStdString()))));
        return;
    }
    std::error_code error;
    std::filesystem::remove(userEntry(), error);
    if (error) {
        throw LoginItemError("Could not remove " + userEntry().string() + ": " + error.message());
    }
}

void XdgAutostartLoginItem::write(const QString& text) {
    const QString file = QString::fromStdString(userEntry().string());
    if (!QDir().mkpath(QString::fromStdString(folders_.user.string()))) {
        throw LoginItemError("Could not create " + folders_.user.string());
    }
    QSaveFile entry(file);
    if (!entry.open(QIODevice::WriteOnly) || entry.write(text.toUtf8()) < 0 || !entry.commit()) {
        throw LoginItemError("Could not write " + file.toStdString() + ": " +
                             entry.errorString().toStdString());
    }
}

} // namespace vesperline::platform
