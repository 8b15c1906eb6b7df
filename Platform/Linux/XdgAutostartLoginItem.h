#pragma once

#include "Platform/LoginItem.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <vector>

namespace vesperline::platform {

// Launch at login through an XDG autostart entry: "<id>.desktop" in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart), which the desktop reads at login. The entry starts `program` with
// `arguments`. An entry of the same name in a system folder ($XDG_CONFIG_DIRS, such as one a
// package installs) is overridden by the user's: turning launch at login off then writes a user
// entry marked Hidden rather than deleting the system's file, which is not the user's to delete.
class XdgAutostartLoginItem final : public LoginItem {
  public:
    struct Folders {
        // Where the user's entries go.
        std::filesystem::path user;
        // System folders, in order of precedence, each holding entries directly.
        std::vector<std::filesystem::path> system;
    };
    // The autostart folders of $XDG_CONFIG_HOME and $XDG_CONFIG_DIRS, with their defaults.
    static Folders standardFolders();

    // `entryID` names the entry file and the icon (the application's desktop file and icon share
    // it), `name` is shown by the desktop's list of startup programs.
    XdgAutostartLoginItem(Folders folders, QString entryID, QString name, QString program,
                          QStringList arguments);

    // The entry that counts (the user's, else the first system one) exists and is neither hidden
    // nor switched off.
    bool isEnabled() override;
    // Writes the user's entry atomically, or removes it; throws LoginItemError when the folder or
    // file cannot be written or removed.
    void setEnabled(bool enabled) override;

    // The entry's text as written when enabled.
    QString entryText() const;
    std::filesystem::path userEntry() const;

  private:
    void write(const QString& text);

    Folders folders_;
    QString entryID_;
    QString name_;
    QString program_;
    QStringList arguments_;
};

} // namespace vesperline::platform
