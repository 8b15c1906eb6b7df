#pragma once

#include "Platform/SettingsStore.h"

#include <nlohmann/json.hpp>

namespace vesperline::platform {

// The settings in one JSON file, rewritten whole and atomically (temporary file, flush to disk,
// rename) on every change, so a crash leaves either the old or the new file. JSON keeps the
// value types apart; data is kept as an object {"data": "<base64>"}. Values of any other shape
// found in the file are handed back as they are (null, or a QVariantMap for an object) and are
// written back unchanged until their key is set.
class FileSettingsStore final : public SettingsStore {
  public:
    // "$XDG_CONFIG_HOME/Vesperline/settings.json", with ~/.config when the variable is unset.
    static QString standardPath();

    // Reads the file when it exists. A file that cannot be read as a JSON object, or that is not one
    // the app writes (larger than 4 MB, as it is or as written back, or nested more than 16 levels
    // deep), is moved aside in its folder as "settings-damaged-<yyyyMMdd-HHmmss>.json" (never over
    // another file) and the store starts empty. The folder is created on the first save.
    explicit FileSettingsStore(QString path);

    // Where a damaged file was moved at opening; empty when nothing was moved.
    const QString& setAsidePath() const { return setAsidePath_; }

    QVariant value(const QString& key) const override;
    // A value that would take the file past those bounds is refused (SettingsStoreError) and not kept.
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

  private:
    void load();
    // The file's text; throws when it would be larger than the reader accepts.
    static std::string documentText(const nlohmann::json& document);
    // Whether its text stays within that bound.
    static bool fitsInAFile(const nlohmann::json& document);
    void save(const std::string& text) const;

    QString path_;
    nlohmann::json document_ = nlohmann::json::object();
    QString setAsidePath_;
    // A damaged file that could not be moved aside is never overwritten: changes stay in memory.
    bool keepFileUntouched_ = false;
};

} // namespace vesperline::platform
