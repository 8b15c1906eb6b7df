#include "Platform/Linux/FileSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "Support/NestedJSON.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vesperline::platform {
namespace {

constexpr char dataMember[] = "data";

// Our keys need two levels (the document, then a list or a data object); a few more leave room for
// values of other versions. Anything deeper, or a file this large (ours are a few kilobytes), was not
// written by the app: it is damaged, and would cost a deep recursion or hundreds of megabytes of
// indentation at the next save.
constexpr int maximumNesting = 16;
constexpr qint64 maximumFileBytes = 4 * 1024 * 1024;

QVariant toVariant(const nlohmann::json& json) {
    switch (json.type()) {
    case nlohmann::json::value_t::boolean:
        return json.get<bool>();
    case nlohmann::json::value_t::number_integer:
        return qlonglong(json.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
        // The parser reads every non-negative integer as unsigned; those that fit are integers.
        const auto number = json.get<std::uint64_t>();
        return number <= std::uint64_t(std::numeric_limits<qlonglong>::max()) ? QVariant(qlonglong(number))
                                                                              : QVariant(qulonglong(number));
    }
    case nlohmann::json::value_t::number_float:
        return json.get<double>();
    case nlohmann::json::value_t::string:
        return QString::fromStdString(json.get<std::string>());
    case nlohmann::json::value_t::array: {
        QVariantList list;
        for (const auto& element : json) {
            list.append(toVariant(element));
        }
        return list;
    }
    case nlohmann::json::value_t::object: {
        if (json.size() == 1 && json.contains(dataMember) && json[dataMember].is_string()) {
            const auto decoded =
                QByteArray::fromBase64Encoding(QByteArray::fromStdString(json[dataMember].get<std::string>()),
                                               QByteArray::AbortOnBase64DecodingErrors);
            if (decoded) {
                return *decoded;
            }
        }
        QVariantMap map;
        for (const auto& [key, element] : json.items()) {
            map.insert(QString::fromStdString(key), toVariant(element));
        }
        return map;
    }
    default:
        return QVariant::fromValue(nullptr);
    }
}

// The reader accepts containers only so deep, so nothing deeper is written.
void checkNesting(int depth) {
    if (depth > maximumNesting) {
        throw SettingsStoreError("A settings value is nested too deeply to be kept");
    }
}

// `depth`: the number of arrays and objects around the value in the document.
nlohmann::json toJSON(const QVariant& value, int depth) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return std::int64_t(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return std::uint64_t(value.toULongLong());
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!std::isfinite(number)) {
            throw SettingsStoreError("A settings value is not a finite number");
        }
        return number;
    }
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::QByteArray:
        checkNesting(depth + 1);
        return nlohmann::json{{dataMember, value.toByteArray().toBase64().toStdString()}};
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        checkNesting(depth + 1);
        nlohmann::json array = nlohmann::json::array();
        for (const QVariant& element : value.toList()) {
            array.push_back(toJSON(element, depth + 1));
        }
        return array;
    }
    default:
        throw SettingsStoreError(std::string("Settings cannot keep a value of type ") + value.typeName());
    }
}

// The damaged file's new name in its folder; the first free one when several damages share a second.
bool moveAside(const QString& path, QString& movedTo) {
    const QFileInfo file(path);
    const QString stem = file.dir().filePath(
        "settings-damaged-" + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString candidate =
            stem + (attempt == 1 ? QString() : "-" + QString::number(attempt)) + ".json";
        // Renaming refuses an existing target, so no earlier damaged file is replaced.
        if (QFile::rename(path, candidate)) {
            movedTo = candidate;
            return true;
        }
        if (!QFileInfo::exists(candidate)) {
            return false;
        }
    }
    return false;
}

} // namespace

QString FileSettingsStore::standardPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vesperline/settings.json");
}

FileSettingsStore::FileSettingsStore(QString path) : path_(std::move(path)) {
    load();
}

void FileSettingsStore::load() {
    if (!QFileInfo::exists(path_)) {
        return;
    }
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly)) {
        // One byte more than allowed is enough to tell that the file is too large.
        const QByteArray bytes = file.read(maximumFileBytes + 1);
        if (bytes.size() <= maximumFileBytes) {
            auto parsed = ostrel::parseJSONNestedAtMost<nlohmann::json>(
                std::string_view(bytes.constData(), std::size_t(bytes.size())), maximumNesting);
            // A document must also stay within the bound as the store writes it, or no later
            // assignment could be saved.
            if (parsed && parsed->is_object() && fitsInAFile(*parsed)) {
                document_ = std::move(*parsed);
                return;
            }
        }
    }
    file.close();
    keepFileUntouched_ = !moveAside(path_, setAsidePath_);
}

QVariant FileSettingsStore::value(const QString& key) const {
    const auto found = document_.find(key.toStdString());
    return found == document_.end() ? QVariant() : toVariant(*found);
}

void FileSettingsStore::setValue(const QString& key, const QVariant& value) {
    nlohmann::json document = document_;
    document[key.toStdString()] = toJSON(value, 1);
    // A value that would make the file one the reader refuses is not kept, so the other settings
    // can still be saved.
    std::string text = documentText(document);
    document_ = std::move(document);
    save(text);
}

void FileSettingsStore::remove(const QString& key) {
    document_.erase(key.toStdString());
    save(documentText(document_));
}

bool FileSettingsStore::fitsInAFile(const nlohmann::json& document) {
    try {
        documentText(document);
        return true;
    } catch (const SettingsStoreError&) {
        return false;
    }
}

std::string FileSettingsStore::documentText(const nlohmann::json& document) {
    std::string text = document.dump(2) + "\n";
    if (qint64(text.size()) > maximumFileBytes) {
        throw SettingsStoreError("The settings would take more than " +
                                 std::to_string(maximumFileBytes / (1024 * 1024)) +
                                 " MB, so this value is not kept");
    }
    return text;
}

void FileSettingsStore::save(const std::string& text) const {
    if (keepFileUntouched_) {
        throw SettingsStoreError(("The settings file " + path_ +
                                  " is damaged and could not be moved aside, so changes are not saved")
                                     .toStdString());
    }
    // The settings are the user's alone: their folder is the owner's only, and so is the file from
    // the moment it takes its name.
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSaveFile file(path_);
    // QSaveFile writes a temporary file in the same folder, flushes it to disk and renames it over
    // the old file on commit.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit()) {
        throw SettingsStoreError(
            ("Could not save the settings to " + path_ + ": " + file.errorString()).toStdString());
    }
}

} // namespace vesperline::platform
