#pragma once

#include "Model/AppSettings.h"
#include "Model/HotKeyManager.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeGlobalShortcut.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeLoginItem.h"
#include "Platform/Fake/FakeWorkspace.h"
#include "Platform/Fake/MemorySettingsStore.h"
#include "Support/ManualClock.h"
#include "Support/QtPrinters.h"
#include "UI/Settings/SettingsContext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace vesperline {

// Settings in memory that count how often each key is written.
class CountingSettingsStore final : public platform::SettingsStore {
  public:
    QHash<QString, QVariant> values;
    QMap<QString, int> writes;

    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override {
        values.insert(key, value);
        ++writes[key];
    }
    void remove(const QString& key) override {
        values.remove(key);
        ++writes[key];
    }
    int totalWrites() const {
        int total = 0;
        for (const int count : writes) {
            total += count;
        }
        return total;
    }
};

// What a settings pane is made over: settings in a store that counts its writes, a US keyboard for
// the shortcut, a login item and a file manager that keep what they were asked, English texts in
// Istanbul, and counts of what the panes asked of the model.
class SettingsFixture : public ::testing::Test {
  protected:
    // This application's process, as the running applications show it.
    static constexpr std::int32_t ownPid = 4000;

    SettingsFixture() { keyboard.texts = {{0, "a"}, {40, "k"}, {12, "q"}, {43, ","}, {1, "s"}}; }

    // Settings made now, over what the test planted in the store.
    AppSettings& settings() {
        if (!settings_) {
            settings_ = std::make_unique<AppSettings>(store);
        }
        return *settings_;
    }
    SettingsContext& context() {
        if (!context_) {
            context_ = std::make_unique<SettingsContext>(
                SettingsContext::Services{settings(), hotKeys, loginItem, fileViewer, installed, workspace,
                                          dataFolder, mcpServer, "org.vesperline.Vesperline", format, clock,
                                          ownPid},
                SettingsContext::ModelActions{
                    [this] { ++refreshes; }, [this] { ++maintenanceRuns; },
                    [this] { ++accessibilityRequests; }, [this] { ++permissionRefreshes; },
                    [this] { ++onboardingOpenings; },
                    [this](ostrel::Time from, ostrel::Time to, std::function<void()> done) {
                        deletions.push_back(
                            {QStringLiteral("range %1 %2").arg(from, 0, 'f', 0).arg(to, 0, 'f', 0),
                             std::move(done)});
                    },
                    [this](std::int64_t minutes, std::function<void()> done) {
                        deletions.push_back({QStringLiteral("recent %1").arg(minutes), std::move(done)});
                    },
                    [this](std::function<void()> done) {
                        deletions.push_back({"erase", std::move(done)});
                    }});
        }
        return *context_;
    }

    template <typename T = QWidget> static T* child(const QWidget& parent, const char* name) {
        T* found = parent.findChild<T*>(name);
        EXPECT_TRUE(found) << "no " << name;
        return found;
    }
    static void click(const QWidget& parent, const char* name) {
        if (auto* button = child<QAbstractButton>(parent, name)) {
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        }
    }
    static QString text(const QWidget& parent, const char* name) {
        const auto* label = parent.findChild<QLabel*>(name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
    }

    std::shared_ptr<CountingSettingsStore> store = std::make_shared<CountingSettingsStore>();
    platform::FakeGlobalShortcut keyboard;
    HotKeyManager hotKeys{keyboard};
    platform::FakeLoginItem loginItem;
    platform::FakeFileViewer fileViewer;
    std::filesystem::path dataFolder = "/home/someone/.local/share/Ostrel";
    const Format format{"en_US", "Europe/Istanbul"};
    int refreshes = 0;
    int maintenanceRuns = 0;
    int accessibilityRequests = 0;
    int permissionRefreshes = 0;
    int onboardingOpenings = 0;
    // The deletions asked of the model, each with the call that ends it.
    struct Deletion {
        QString what;
        std::function<void()> done;
    };
    std::vector<Deletion> deletions;
    platform::FakeInstalledApplications installed;
    platform::FakeWorkspace workspace;
    std::filesystem::path mcpServer = "/usr/lib/vesperline/vesperline-mcp";
    // Friday 7 March 2025, 10:00 in Istanbul.
    testsupport::ManualClock clock{1'741'330'800};

  private:
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<SettingsContext> context_;
};

} // namespace vesperline
