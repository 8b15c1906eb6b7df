#pragma once

#include <QString>
#include <QVariant>

#include <stdexcept>

namespace vesperline::platform {

// The user's settings, kept across launches as typed values under text keys. A value is a bool, an
// integer (qlonglong), a floating-point number (double), a text (QString), data (QByteArray), or a
// QVariantList of such values. The store hands back the type it was given, so a reader can tell 30
// from "30" and data from text.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored value, or an invalid QVariant when the key is absent.
    virtual QVariant value(const QString& key) const = 0;
    // Keeps the value for this run at once; throws SettingsStoreError when it could not be saved for
    // later runs (a later successful save carries it along).
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    // Same as setValue, for taking the key away.
    virtual void remove(const QString& key) = 0;
};

// A settings value that could not be saved: the description names the file and the cause.
class SettingsStoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace vesperline::platform
