#include "Platform/Linux/FileSettingsStore.h"

#include "Model/AppSettings.h"
#include "Support/FileMode.h"
#include "Support/TemporaryDirectory.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace vesperline::platform {
namespace {

class FileSettingsStoreTest : public testing::Test {
  protected:
    testsupport::TemporaryDirectory folder;
    QString path = QString::fromStdString((folder.path() / "Vesperline" / "settings.json").string());

    void writeFile(const QByteArray& bytes) {
        QDir().mkpath(QString::fromStdString((folder.path() / "Vesperline").string()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList setAsideFiles() const {
        return QDir(QString::fromStdString((folder.path() / "Vesperline").string()))
            .entryList({"settings-damaged-*.json"}, QDir::Files, QDir::Name);
    }
};

TEST_F(FileSettingsStoreTest, ValuesKeepTheirTypesAcrossReopen) {
    const std::vector<std::pair<QString, QVariant>> values{
        {"flag", true},
        {"integer", qlonglong(30)},
        {"negative", qlonglong(-4)},
        {"whole double", 7.0},
        {"double", 1.7e9 + 0.25},
        {"digits", QString("30")},
        {"text", QString("quality é")},
        {"data", QByteArray("\x00\xff{\"keyCode\":49}", 16)},
        {"data looking like text", QByteArray("30")},
        {"list", QVariantList{QString("a"), qlonglong(5), false, QByteArray("x")}},
        {"empty list", QVariantList{}},
    };
    {
        FileSettingsStore store(path);
        for (const auto& [key, value] : values) {
            store.setValue(key, value);
        }
        store.setValue("gone", true);
        store.remove("gone");
    }
    const FileSettingsStore reopened(path);
    EXPECT_TRUE(reopened.setAsidePath().isEmpty());
    EXPECT_FALSE(reopened.value("gone").isValid());
    for (const auto& [key, value] : values) {
        const QVariant read = reopened.value(key);
        EXPECT_EQ(read.typeId(), value.typeId()) << key.toStdString() << ": " << read.typeName();
        EXPECT_EQ(read, value) << key.toStdString();
    }
    EXPECT_EQ(reopened.value("list").toList()[1].typeId(), QMetaType::LongLong);
}

TEST_F(FileSettingsStoreTest, SettingsSurviveReopenWithTheirTypes) {
    {
        AppSettings settings(std::make_shared<FileSettingsStore>(path));
        settings.setCaptureMode(ostrel::CaptureMode::quality);
        settings.setExcludedApps({"org.example.App"});
        settings.setFullImageDays(30);
        settings.setHotKey({.keyCode = 40, .carbonModifiers = 4096});
        settings.setProjectRules(
            {{*ostrel::UUID::parse("6f1c2a8e-0b7d-4c3a-9e51-2d4f6a8b0c1e"), "Work", {"vesper"}}});
        settings.setPausedUntil(1.7e9 + 0.5);
        settings.setSkipPrivateWindows(false);
    }
    const AppSettings reopened(std::make_shared<FileSettingsStore>(path));
    EXPECT_EQ(reopened.captureMode(), ostrel::CaptureMode::quality);
    EXPECT_EQ(reopened.excludedApps(), std::vector<std::string>{"org.example.App"});
    EXPECT_EQ(reopened.fullImageDays(), 30);
    EXPECT_EQ(reopened.hotKey(), (HotKeyCombo{.keyCode = 40, .carbonModifiers = 4096}));
    ASSERT_EQ(reopened.projectRules().size(), 1u);
    EXPECT_EQ(reopened.projectRules()[0].id.string(), "6F1C2A8E-0B7D-4C3A-9E51-2D4F6A8B0C1E");
    EXPECT_EQ(reopened.pausedUntil(), 1.7e9 + 0.5);
    EXPECT_FALSE(reopened.skipPrivateWindows());
}

TEST_F(FileSettingsStoreTest, DamagedFileIsSetAsideNeverOverwritten) {
    const QByteArray firstDamage = R"({"captureMode": "quality", "fullImage)";
    writeFile(firstDamage);
    FileSettingsStore first(path);
    EXPECT_FALSE(first.value("captureMode").isValid());
    EXPECT_EQ(contents(first.setAsidePath()), firstDamage);
    EXPECT_FALSE(QFile::exists(path));
    first.setValue("captureMode", QString("saver"));
    EXPECT_EQ(FileSettingsStore(path).value("captureMode"), QString("saver"));

    // A second damage, most likely within the same second, gets a name of its own.
    writeFile("[\"not an object\"]");
    const FileSettingsStore second(path);
    EXPECT_NE(second.setAsidePath(), first.setAsidePath());
    EXPECT_EQ(contents(second.setAsidePath()), "[\"not an object\"]");
    EXPECT_EQ(contents(first.setAsidePath()), firstDamage);
    EXPECT_EQ(setAsideFiles().size(), 2);

    // Settings read over a damaged file are the defaults.
    writeFile("\x01\x02");
    EXPECT_EQ(AppSettings(std::make_shared<FileSettingsStore>(path)).captureMode(),
              ostrel::CaptureMode::balanced);
}

// `levels` arrays and objects inside each other, the document counting as the first.
std::string nestedDocument(int levels) {
    const int inner = levels - 1;
    return "{\"deep\": " + std::string(std::size_t(inner), '[') + std::string(std::size_t(inner), ']') + "}";
}

TEST_F(FileSettingsStoreTest, DocumentsTheAppNeverWritesAreSetAsideAndHeal) {
    struct Case {
        const char* name;
        std::string document;
    };
    const std::vector<Case> damaged{
        {"one level too deep", nestedDocument(17)},
        {"60,000 levels deep", nestedDocument(60'000)},
        {"objects one level too deep",
         [] {
             std::string document = "1";
             for (int level = 0; level < 17; ++level) {
                 document = "{\"excludedSites\": " + document + "}";
             }
             return document;
         }()},
        {"larger than 4 MB", "{\"excludedSites\": [\"" + std::string(4 * 1024 * 1024, 'x') + "\"]}"},
        {"larger than 4 MB once indented",
         [] {
             std::string document = "{\"excludedSites\":[1";
             for (int i = 0; i < 1'000'000; ++i) {
                 document += ",1";
             }
             return document + "]}";
         }()},
    };
    for (const Case& hostile : damaged) {
        SCOPED_TRACE(hostile.name);
        writeFile(QByteArray::fromStdString(hostile.document));
        {
            FileSettingsStore store(path);
            EXPECT_FALSE(store.value("excludedSites").isValid());
            EXPECT_EQ(contents(store.setAsidePath()).toStdString(), hostile.document);
            // The first save at quit writes a small, sound file again.
            store.setValue("windowGeometry", QByteArray("geometry"));
        }
        const FileSettingsStore reopened(path);
        EXPECT_TRUE(reopened.setAsidePath().isEmpty());
        EXPECT_EQ(reopened.value("windowGeometry"), QByteArray("geometry"));
        EXPECT_LT(contents(path).size(), 100);
    }
    EXPECT_EQ(setAsideFiles().size(), qsizetype(damaged.size()));

    // As deep as allowed, and just under the size bound, is still read.
    for (const std::string& document :
         {nestedDocument(16), "{\"excludedSites\": [\"" + std::string(4 * 1024 * 1024 - 100, 'x') + "\"]}"}) {
        writeFile(QByteArray::fromStdString(document));
        const FileSettingsStore store(path);
        EXPECT_TRUE(store.setAsidePath().isEmpty());
        EXPECT_TRUE(store.value("deep").isValid() || store.value("excludedSites").isValid());
    }
}

TEST_F(FileSettingsStoreTest, ValuesTheReaderWouldRefuseAreNotKept) {
    FileSettingsStore store(path);
    store.setValue("captureMode", QString("saver"));
    QVariant nested = QVariantList{QString("a")};
    for (int level = 0; level < 15; ++level) {
        nested = QVariantList{nested};
    }
    for (const auto& [key, value] : std::vector<std::pair<QString, QVariant>>{
             {"huge", QString(4 * 1024 * 1024, 'x')},
             {"nested", nested},
             {"captureMode", QByteArray(4 * 1024 * 1024, 'x')},
         }) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_THROW(store.setValue(key, value), SettingsStoreError);
    }
    EXPECT_FALSE(store.value("huge").isValid());
    EXPECT_FALSE(store.value("nested").isValid());
    EXPECT_EQ(store.value("captureMode"), QString("saver"));
    // Everything else is still saved.
    store.setValue("mcpEnabled", true);
    const FileSettingsStore reopened(path);
    EXPECT_TRUE(reopened.setAsidePath().isEmpty());
    EXPECT_EQ(reopened.value("captureMode"), QString("saver"));
    EXPECT_EQ(reopened.value("mcpEnabled"), true);
}

TEST_F(FileSettingsStoreTest, TheSettingsAreTheOwnersOnly) {
    const std::filesystem::path settingsFolder = folder.path() / "Vesperline";
    FileSettingsStore(path).setValue("a", 1);
    EXPECT_EQ(testsupport::fileMode(settingsFolder), 0700) << "the folder it made";
    EXPECT_EQ(testsupport::fileMode(path.toStdString()), 0600);
    // A file an earlier version left readable by everyone is narrowed at the next save.
    std::filesystem::permissions(path.toStdString(), std::filesystem::perms(0644));
    FileSettingsStore(path).setValue("a", 2);
    EXPECT_EQ(testsupport::fileMode(path.toStdString()), 0600);
    EXPECT_EQ(FileSettingsStore(path).value("a"), QVariant(qlonglong(2)));
}

TEST_F(FileSettingsStoreTest, UnknownValuesAreWrittenBackUnchanged) {
    const auto original =
        nlohmann::json::parse(R"({"onboardingStep": 2, "later": {"a": [1, null, {"data": 5}]},
        "nothing": null, "huge": 18446744073709551615, "data": {"data": "not base64!"}})");
    writeFile(QByteArray::fromStdString(original.dump()));
    FileSettingsStore store(path);
    EXPECT_EQ(store.value("onboardingStep").typeId(), QMetaType::LongLong);
    EXPECT_EQ(store.value("later").typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(store.value("nothing").typeId(), QMetaType::Nullptr);
    EXPECT_EQ(store.value("huge").typeId(), QMetaType::ULongLong);
    EXPECT_EQ(store.value("data").typeId(), QMetaType::QVariantMap);

    store.setValue("captureMode", QString("saver"));
    auto expected = original;
    expected["captureMode"] = "saver";
    EXPECT_EQ(nlohmann::json::parse(contents(path).toStdString()), expected);
}

TEST_F(FileSettingsStoreTest, FailedSaveIsReportedAndKeptForThisRun) {
    // A file where the folder should be: nothing can be saved.
    QFile blocker(QString::fromStdString((folder.path() / "Vesperline").string()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FileSettingsStore store(path);
    EXPECT_THROW(store.setValue("mcpEnabled", true), SettingsStoreError);
    EXPECT_EQ(store.value("mcpEnabled"), true);
    EXPECT_THROW(store.setValue("bad", std::numeric_limits<double>::quiet_NaN()), SettingsStoreError);

    // A damaged file that cannot be moved aside is left as it is.
    FileSettingsStore stuck("/proc/version");
    EXPECT_TRUE(stuck.setAsidePath().isEmpty());
    EXPECT_THROW(stuck.setValue("mcpEnabled", true), SettingsStoreError);
    EXPECT_FALSE(contents("/proc/version").isEmpty());
}

} // namespace
} // namespace vesperline::platform
