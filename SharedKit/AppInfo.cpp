#include "SharedKit/AppInfo.h"

#include <QDesktopServices>

#include <cerrno>

namespace vesperline::AppInfo {

std::optional<QString> infoString(std::string BuildInfo::*entry, const BuildInfo& info) {
    QString text = QString::fromStdString(info.*entry).trimmed();
    return text.isEmpty() ? std::nullopt : std::optional(std::move(text));
}

QString name(const BuildInfo& info) {
    if (auto displayName = infoString(&BuildInfo::displayName, info)) {
        return *displayName;
    }
    if (auto plainName = infoString(&BuildInfo::name, info)) {
        return *plainName;
    }
    return QString::fromLocal8Bit(program_invocation_short_name);
}

QString version(const BuildInfo& info) {
    return infoString(&BuildInfo::shortVersion, info).value_or(QStringLiteral("1.0")) + " (" +
           infoString(&BuildInfo::build, info).value_or(QStringLiteral("1")) + ")";
}

std::optional<QUrl> websiteURL(const BuildInfo& info) {
    const auto text = infoString(&BuildInfo::websiteURL, info);
    if (!text) {
        return std::nullopt;
    }
    QUrl url(*text, QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    return url.isValid() && web && !url.host().isEmpty() ? std::optional(url) : std::nullopt;
}

std::optional<QString> supportEmail(const BuildInfo& info) {
    return infoString(&BuildInfo::supportEmail, info);
}

std::optional<QString> copyright(const BuildInfo& info) {
    return infoString(&BuildInfo::copyright, info);
}

std::optional<QUrl> supportMailURL(const BuildInfo& info) {
    const auto address = supportEmail(info);
    if (!address) {
        return std::nullopt;
    }
    // "&", "=" and "+" are encoded as well: left bare they would end the subject or read as a blank.
    const QByteArray subject = QUrl::toPercentEncoding(name(info) + ' ' + version(info), "()");
    QUrl url("mailto:" + *address + "?subject=" + QString::fromLatin1(subject), QUrl::StrictMode);
    return url.isValid() ? std::optional(url) : std::nullopt;
}

void openSupportMail(const BuildInfo& info) {
    if (const auto url = supportMailURL(info)) {
        QDesktopServices::openUrl(*url);
    }
}

bool launchedAsLoginItem(const QStringList& arguments) {
    return arguments.indexOf(QLatin1String(loginItemArgument), 1) >= 0;
}

} // namespace vesperline::AppInfo
