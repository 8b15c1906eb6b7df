#pragma once

#include "SharedKit/BuildInfo.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <string>

// Read-only facts about the running application, taken from the build's table (BuildInfo), and the
// two small services built on them. Every accessor answers for a missing or malformed entry (no
// value, or the stated default) and never fails; they may be called from any thread.
namespace vesperline::AppInfo {

// The argument with which the login autostart entry starts the application.
inline constexpr char loginItemArgument[] = "--login-item";

// The entry's text without white space and line breaks at either end; no value when that is empty.
std::optional<QString> infoString(std::string BuildInfo::*entry,
                                  const BuildInfo& info = BuildInfo::current());

// The display name, else the name, else the process's name.
QString name(const BuildInfo& info = BuildInfo::current());
// "2.3 (41)": the short version (default "1.0") and the build (default "1").
QString version(const BuildInfo& info = BuildInfo::current());
// The product's web address; no value unless it is a valid http or https address.
std::optional<QUrl> websiteURL(const BuildInfo& info = BuildInfo::current());
std::optional<QString> supportEmail(const BuildInfo& info = BuildInfo::current());
std::optional<QString> copyright(const BuildInfo& info = BuildInfo::current());

// "mailto:<address>?subject=<name version>" with every character of the subject but the unreserved
// ones and "()" percent-encoded; no value without a support address or when the result is no valid
// address.
std::optional<QUrl> supportMailURL(const BuildInfo& info = BuildInfo::current());
// Hands the support mail address to the user's mail application; does nothing without one. Main thread.
void openSupportMail(const BuildInfo& info = BuildInfo::current());

// Whether the login autostart entry started this process (it passes `loginItemArgument`).
bool launchedAsLoginItem(const QStringList& arguments = QCoreApplication::arguments());

} // namespace vesperline::AppInfo
