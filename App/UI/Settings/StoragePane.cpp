#include "UI/Settings/StoragePane.h"

#include "Model/AppSettings.h"
#include "Platform/FileViewer.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int smallIndicatorSide = 14;
constexpr int pickerMinimumWidth = 120;

} // namespace

QString StoragePane::daysText(std::int64_t days, const Format& format) {
    return format.plural(tr("{0, plural, one {# day} other {# days}}"), {days});
}

const std::vector<std::int64_t>& StoragePane::fullImageChoices() {
    static const std::vector<std::int64_t> choices{3, 7, 14, 30};
    return choices;
}

const std::vector<std::int64_t>& StoragePane::keyframeChoices() {
    static const std::vector<std::int64_t> choices{30, 60, 90, 180, 365, 0};
    return choices;
}

const std::vector<std::int64_t>& StoragePane::textChoices() {
    static const std::vector<std::int64_t> choices{90, 180, 365, 0};
    return choices;
}

const std::vector<std::int64_t>& StoragePane::diskCapChoices() {
    static const std::vector<std::int64_t> choices{2, 5, 10, 20, 50, 100};
    return choices;
}

StoragePane::StoragePane(SettingsContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    AppSettings& settings = context.settings();
    SettingsForm* form = SettingsForm::fill(this);

    FormSection* retention = form->addSection();
    retention->addText(
        tr("Memory ages gracefully: recent days keep every moment, older days keep the important "
           "ones, and text stays searchable the longest."),
        Theme::TextStyle::callout, Theme::Level::secondary);
    const struct {
        QString title;
        const std::vector<std::int64_t>& choices;
        bool gigabytes;
        const char* name;
        std::int64_t (AppSettings::*read)() const;
        void (AppSettings::*write)(std::int64_t);
    } rows[] = {
        {tr("Keep every image for"), fullImageChoices(), false, "fullImageDays", &AppSettings::fullImageDays,
         &AppSettings::setFullImageDays},
        {tr("Then keep important moments for"), keyframeChoices(), false, "keyframeDays",
         &AppSettings::keyframeDays, &AppSettings::setKeyframeDays},
        {tr("Keep searchable text for"), textChoices(), false, "textDays", &AppSettings::textDays,
         &AppSettings::setTextDays},
        {tr("Never use more than"), diskCapChoices(), true, "diskCapGB", &AppSettings::diskCapGB,
         &AppSettings::setDiskCapGB},
    };
    for (std::size_t i = 0; i < pickers_.size(); ++i) {
        QComboBox* combo = addPicker(rows[i].choices, rows[i].gigabytes, rows[i].name);
        retention->addLabeledRow(rows[i].title, combo);
        pickers_[i] = {combo, &rows[i].choices, rows[i].read};
        const auto write = rows[i].write;
        const auto read = rows[i].read;
        const std::vector<std::int64_t>* choices = &rows[i].choices;
        // Only the user's own pick is written, and only when it changes the value.
        connect(combo, &QComboBox::activated, this, [&settings, choices, read, write](int index) {
            if (index >= 0 && (*choices)[std::size_t(index)] != (settings.*read)()) {
                (settings.*write)((*choices)[std::size_t(index)]);
            }
        });
    }

    FormSection* now = form->addSection(tr("Right now"));
    usedOnDisk_ = formLabel({}, Theme::TextStyle::body, Theme::Level::secondary);
    usedOnDisk_->setObjectName("usedOnDisk");
    now->addLabeledRow(tr("Used on disk"), usedOnDisk_);
    moments_ = formLabel({}, Theme::TextStyle::body, Theme::Level::secondary);
    moments_->setObjectName("moments");
    now->addLabeledRow(tr("Moments"), moments_);
    oldest_ = formLabel({}, Theme::TextStyle::body, Theme::Level::secondary);
    oldest_->setObjectName("oldestMoment");
    oldestRow_ = now->addLabeledRow(tr("Oldest moment"), oldest_);
    auto* buttons = new QWidget;
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(8);
    auto* showFolder = new QPushButton(tr("Show in File Manager"));
    showFolder->setObjectName("showDataFolder");
    tidyUp_ = new QPushButton(tr("Tidy up now"));
    tidyUp_->setObjectName("tidyUp");
    maintenanceIndicator_ = new ActivityIndicator(smallIndicatorSide);
    maintenanceIndicator_->setObjectName("maintenanceIndicator");
    buttonRow->addWidget(showFolder, 0, Qt::AlignVCenter);
    buttonRow->addWidget(tidyUp_, 0, Qt::AlignVCenter);
    buttonRow->addWidget(maintenanceIndicator_, 0, Qt::AlignVCenter);
    buttonRow->addStretch();
    now->addRow(buttons);

    FormSection* backup = form->addSection();
    excludeFromBackup_ = backup->addSwitch(tr("Exclude memory from backups"), "excludeFromBackup");
    backup->addText(tr("Recommended: your screen history won't be copied to backup disks."));

    connect(showFolder, &QPushButton::clicked, this,
            [&context] { context.fileViewer().showFolder(context.dataFolder()); });
    connect(tidyUp_, &QPushButton::clicked, this, [&context] {
        if (!context.maintenanceRunning() && context.actions().runMaintenance) {
            context.actions().runMaintenance();
        }
    });
    connect(excludeFromBackup_, &ToggleSwitch::clicked, &settings, &AppSettings::setExcludeFromBackup);

    for (auto changed : {&AppSettings::fullImageDaysChanged, &AppSettings::keyframeDaysChanged,
                         &AppSettings::textDaysChanged, &AppSettings::diskCapGBChanged,
                         &AppSettings::excludeFromBackupChanged}) {
        connect(&settings, changed, this, &StoragePane::follow);
    }
    connect(&context, &SettingsContext::storageChanged, this, &StoragePane::follow);
    connect(&context, &SettingsContext::maintenanceRunningChanged, this, &StoragePane::follow);
    follow();
}

QComboBox* StoragePane::addPicker(const std::vector<std::int64_t>& choices, bool gigabytes,
                                  const QString& name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setMinimumWidth(pickerMinimumWidth);
    for (const std::int64_t value : choices) {
        if (value == 0) {
            combo->addItem(tr("Forever"));
        } else if (gigabytes) {
            combo->addItem(tr("%1 GB").arg(value));
        } else {
            combo->addItem(daysText(value, context_.format()));
        }
    }
    return combo;
}

void StoragePane::follow() {
    const AppSettings& settings = context_.settings();
    for (const Picker& picker : pickers_) {
        const std::int64_t value = (settings.*picker.read)();
        const auto found = std::find(picker.choices->begin(), picker.choices->end(), value);
        const QSignalBlocker blocker(picker.combo);
        // A value that is no choice selects nothing.
        picker.combo->setCurrentIndex(found == picker.choices->end() ? -1
                                                                     : int(found - picker.choices->begin()));
    }
    const ostrel::StorageBreakdown& storage = context_.storage();
    usedOnDisk_->setText(context_.format().bytes(storage.segmentBytes + storage.databaseBytes));
    moments_->setText(QString::number(storage.frameCount));
    oldestRow_->setVisible(storage.oldest.has_value());
    oldest_->setText(storage.oldest ? context_.format().mediumDate(*storage.oldest) : QString());
    const bool running = context_.maintenanceRunning();
    tidyUp_->setEnabled(!running);
    maintenanceIndicator_->setVisible(running);
    const QSignalBlocker blocker(excludeFromBackup_);
    excludeFromBackup_->setChecked(settings.excludeFromBackup());
}

void StoragePane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!refreshed_) {
        refreshed_ = true;
        if (context_.actions().refreshStats) {
            context_.actions().refreshStats();
        }
    }
}

} // namespace vesperline
