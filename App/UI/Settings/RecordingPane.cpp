#include "UI/Settings/RecordingPane.h"

#include "Model/AppSettings.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Shared/RadioChoice.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr std::array<ImageQuality, 3> qualities{ImageQuality::compact, ImageQuality::balanced,
                                                ImageQuality::sharp};

} // namespace

RecordingPane::RecordingPane(AppSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    SettingsForm* form = SettingsForm::fill(this);

    FormSection* often = form->addSection(tr("How often"));
    auto* choices = new QWidget;
    auto* column = new QVBoxLayout(choices);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    const QString modeTitles[] = {tr("Saver — fewer moments, least battery"), tr("Balanced — recommended"),
                                  tr("Detailed — more moments")};
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        modes_[i] = new RadioChoice(modeTitles[i]);
        modes_[i]->setObjectName(QString::fromLatin1(ostrel::rawValue(ostrel::allCaptureModes[i]).data()) +
                                 "Mode");
        group->addButton(modes_[i], int(i));
        column->addWidget(modes_[i]);
    }
    often->addLabeledRow(tr("Recording"), choices, Qt::AlignTop);
    often->setFooter(
        tr("Vesperline only records when the screen meaningfully changes: after you switch windows, "
           "stop typing or scrolling. An unchanged screen costs nothing."));

    FormSection* images = form->addSection(tr("Image quality"));
    quality_ = new QComboBox;
    quality_->setObjectName("imageQuality");
    quality_->addItems({tr("Compact (1440 px)"), tr("Balanced (1920 px)"), tr("Sharp (2560 px)")});
    images->addLabeledRow(tr("Saved images"), quality_);
    images->setFooter(
        tr("Text is read at full resolution before saving, so search quality does not depend on this."));

    FormSection* power = form->addSection(tr("Displays & power"));
    allDisplays_ =
        power->addSwitch(tr("Record all displays (not only the active one)"), "captureAllDisplays");
    textOnly_ = power->addSwitch(tr("Save text only, no images"), "textOnlyMode");
    ocrOnBattery_ = power->addSwitch(tr("Read text in images immediately on battery"), "ocrOnBattery");
    power->setFooter(
        tr("Off by default: on battery, reading text from images waits until you're plugged in. Low "
           "Power Mode and a low battery switch to text-only automatically."));

    // Only the user's own choices are written, and only when they change something.
    connect(group, &QButtonGroup::idClicked, this, [this](int index) {
        const ostrel::CaptureMode mode = ostrel::allCaptureModes[std::size_t(index)];
        if (mode != settings_.captureMode()) {
            settings_.setCaptureMode(mode);
        }
    });
    connect(quality_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && qualities[std::size_t(index)] != settings_.imageQuality()) {
            settings_.setImageQuality(qualities[std::size_t(index)]);
        }
    });
    connect(allDisplays_, &ToggleSwitch::clicked, &settings, &AppSettings::setCaptureAllDisplays);
    connect(textOnly_, &ToggleSwitch::clicked, &settings, &AppSettings::setTextOnlyMode);
    connect(ocrOnBattery_, &ToggleSwitch::clicked, &settings, &AppSettings::setOcrOnBattery);

    for (auto changed : {&AppSettings::captureModeChanged, &AppSettings::imageQualityChanged,
                         &AppSettings::captureAllDisplaysChanged, &AppSettings::textOnlyModeChanged,
                         &AppSettings::ocrOnBatteryChanged}) {
        connect(&settings, changed, this, &RecordingPane::follow);
    }
    follow();
}

void RecordingPane::follow() {
    for (std::size_t i = 0; i < modes_.size(); ++i) {
        const QSignalBlocker blocker(modes_[i]);
        modes_[i]->setChecked(ostrel::allCaptureModes[i] == settings_.captureMode());
    }
    const QSignalBlocker quality(quality_);
    quality_->setCurrentIndex(
        int(std::find(qualities.begin(), qualities.end(), settings_.imageQuality()) - qualities.begin()));
    const std::pair<ToggleSwitch*, bool> switches[] = {{allDisplays_, settings_.captureAllDisplays()},
                                                       {textOnly_, settings_.textOnlyMode()},
                                                       {ocrOnBattery_, settings_.ocrOnBattery()}};
    for (const auto& [toggle, on] : switches) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(on);
    }
}

} // namespace vesperline
