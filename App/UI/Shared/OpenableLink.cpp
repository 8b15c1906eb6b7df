#include "UI/Shared/OpenableLink.h"

namespace vesperline {

namespace {

bool isScheme(const QUrl& url, QLatin1String scheme) {
    return url.scheme().compare(scheme, Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<QUrl> openableLink(const std::optional<std::string>& address) {
    if (!address) {
        return std::nullopt;
    }
    const QUrl url(QString::fromStdString(*address), QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    if ((isScheme(url, QLatin1String("http")) || isScheme(url, QLatin1String("https"))) &&
        !url.host().isEmpty()) {
        return url;
    }
    // A file on another host, or a path relative to nothing, names no file here.
    if (isScheme(url, QLatin1String("file")) &&
        (url.host().isEmpty() || url.host() == QLatin1String("localhost")) && url.path().startsWith('/')) {
        return url;
    }
    return std::nullopt;
}

} // namespace vesperline
