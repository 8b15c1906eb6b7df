#pragma once

#include <QString>
#include <QUrl>

#include <string>

namespace vesperline {

// Another application of the same maker, as the kit's catalog lists it.
struct CatalogApp {
    // Its application id (desktop-file id).
    std::string id;
    std::string name;
    // A short lower-case key: it picks the tagline and ends the address of the application's page.
    std::string slug;

    bool operator==(const CatalogApp&) const = default;

    // A one-line description in the current language; empty for a slug without one.
    QString tagline() const;
    // The application's page: the catalog's site address followed by the slug.
    QUrl webPage() const;
};

} // namespace vesperline
